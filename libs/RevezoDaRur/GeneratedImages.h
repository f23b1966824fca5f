// The program's two firmware images made afresh by the image generator, for the tools and tests
// that stand in for the program, which carries the same bytes as resources.
#pragma once

#include "core/FirmwareImages.h"
#include "core/FirmwareVersion.h"
#include "libs/RevezoDaRur/FirmwareImage.h"

class GeneratedImages final : public FirmwareImages {
public:
    std::optional<Bytes> Load(int resourceId) override {
        for (bool old : {false, true}) {
            const TargetFirmware target = TargetFirmwareFor(old);
            if (target.imageResourceId != resourceId)
                continue;
            FlashImage& image = m_images[old ? 1 : 0];
            if (image.empty())
                image = MakeFirmwareImage(target.codeVersion);
            return Bytes{image.data(), image.size()};
        }
        return std::nullopt;
    }
    // Made here from the code versions, they are the reference itself.
    bool IsSound(int resourceId) override { return LoadWhole(resourceId) != nullptr; }

private:
    FlashImage m_images[2];
};
