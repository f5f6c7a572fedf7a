// The states of a state block set through the device's other setters than the render,
// texture stage and sampler states: which setter and slot, the value, and the object
// (texture, buffer, shader, declaration) the block holds a reference on.
#pragma once
#include <array>
#include <span>
#include <utility>
#include <variant>

#include "host/d3d9/device/d3d9_types.h"
#include "host/d3d9/resources/resources.h"

namespace host {

class Device;

// The slot is the stage, stream, register, transform or light; 0 where there is one.
enum class Setting : uint8_t {
    kTexture,
    kStream,
    kStreamFreq,
    kIndices,
    kFvf,
    kDeclaration,
    kVertexShader,
    kPixelShader,
    kVertexConstF,
    kVertexConstI,
    kVertexConstB,
    kPixelConstF,
    kPixelConstI,
    kPixelConstB,
    kTransform,
    kViewport,
    kScissor,
    kMaterial,
    kLight,
    kLightEnable,
    kNPatchMode,
};

// One reference on an object, given back when the holder goes.
class HeldRef {
public:
    HeldRef() = default;
    explicit HeldRef(Unknown* object) : object_(object) {
        if (object_) object_->AddRef();
    }
    HeldRef(HeldRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    HeldRef& operator=(HeldRef&& other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~HeldRef() {
        if (object_) object_->Release();
    }
    // Takes over a reference the caller owns, as a getter hands it out.
    void Adopt(Unknown* object) {
        HeldRef gone(std::move(*this));
        object_ = object;
    }
    template <class T>
    T* As() const {
        return static_cast<T*>(object_);
    }

private:
    Unknown* object_ = nullptr;
};

struct StreamPlace {
    UINT offset = 0, stride = 0;
};

struct KeptSetting {
    using Value = std::variant<DWORD, float, std::array<float, 4>, std::array<int, 4>, StreamPlace, D3DMATRIX,
                               D3DVIEWPORT9, RECT, D3DMATERIAL9, D3DLIGHT9>;
    KeptSetting(Setting what, DWORD slot, Value value, Unknown* object = nullptr)
        : what(what), slot(slot), value(value), object(object) {}
    Setting what;
    DWORD slot;
    Value value;
    HeldRef object;
};

// Sets the device's states to the kept values in order, or takes the device's values into
// the settings.
void ApplySettings(Device& device, std::span<const KeptSetting> settings);
void CaptureSettings(Device& device, std::span<KeptSetting> settings);

}  // namespace host
