// A conversion record over a memory stream holding a test file, ended after each test.
#pragma once
#include "engine/platform/files/stream.h"
#include "engine/sound/decoders/sound_convert.h"
#include "sound_fixture.h"
#include "wave_builder.h"

namespace sound_test {

class ConvertTest : public SoundTest {
protected:
    void Open(const Bytes& file) {
        image_ = file;
        memory_ = orvik::OpenMemImageStream(image_.data(), int32_t(image_.size()));
        stream_ = {*orvik::GetMemImageStreamFunctions(), orvik::ToStreamHandle(memory_)};
    }
    // Opens `file` and sets the record up over it; returns what the set-up returns.
    int Setup(const Bytes& file) {
        Open(file);
        return orvik::SetupSoundConvert(&stream_, &c_);
    }
    void TearDown() override {
        orvik::TerminateSoundConvert(&c_);
        if (memory_) orvik::CloseMemImageStream(orvik::ToStreamHandle(memory_));
        SoundTest::TearDown();
    }

    Bytes image_;
    orvik::MemImageStreamRecord* memory_ = nullptr;
    orvik::StreamDescriptor stream_{};
    orvik::SoundConvert c_{};
};

}  // namespace sound_test
