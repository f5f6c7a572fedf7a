// Dropping a held reference to a device object and forgetting it.
#pragma once

namespace orvik {

template <class T>
void ReleaseObject(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

}  // namespace orvik
