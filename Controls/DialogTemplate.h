// Reading dialog templates, plain and extended, as the platform stores them. The reader never
// reads past the bytes it is given: a truncated or malformed template ends the walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr std::uint32_t DS_SETFONT_BIT = 0x40;

struct DialogTemplateItem {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t id = 0;
};

// The font a template asks for; "Tahoma" 8 points, weight 400, when it names none.
struct TemplateFontInfo {
    int pointSize = 8; // a negative stored value is taken by its magnitude
    int weight = 400;
    int italic = 0;
    std::u16string faceName = u"Tahoma";
};

struct DialogTemplate {
    bool extended = false;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::uint16_t itemCount = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    bool hasMenu = false;
    TemplateFontInfo font;
    std::vector<DialogTemplateItem> items; // those that fit in the data, in template order
};

// Null when the header, up to and including the font, does not fit in `size` bytes.
std::optional<DialogTemplate> ParseDialogTemplate(const std::uint8_t* data, std::size_t size);
