// Dialog template reader.
#include "Controls/DialogTemplate.h"

#include <algorithm>

namespace {

// Little-endian reads that fail, instead of overrunning, at the end of the data.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(data ? size : 0) {}

    bool U8(std::uint8_t& value) {
        if (m_size - m_pos < 1)
            return false;
        value = m_data[m_pos++];
        return true;
    }
    bool U16(std::uint16_t& value) {
        if (m_size - m_pos < 2)
            return false;
        value = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }
    bool I16(std::int16_t& value) {
        std::uint16_t raw = 0;
        if (!U16(raw))
            return false;
        value = static_cast<std::int16_t>(raw);
        return true;
    }
    bool U32(std::uint32_t& value) {
        std::uint16_t low = 0, high = 0;
        if (m_size - m_pos < 4)
            return false;
        U16(low);
        U16(high);
        value = low | (static_cast<std::uint32_t>(high) << 16);
        return true;
    }
    bool String(std::u16string* text = nullptr) {
        for (;;) {
            std::uint16_t c = 0;
            if (!U16(c))
                return false;
            if (c == 0)
                return true;
            if (text)
                text->push_back(static_cast<char16_t>(c));
        }
    }
    // A menu, class or title field: 0 (none), 0xFFFF and an ordinal, or a string. `named` tells
    // whether the field names anything.
    bool StringOrOrdinal(bool* named = nullptr) {
        std::uint16_t first = 0;
        if (!U16(first))
            return false;
        if (named)
            *named = first != 0;
        if (first == 0)
            return true;
        if (first == 0xFFFF) {
            std::uint16_t ordinal = 0;
            return U16(ordinal);
        }
        return String();
    }
    bool Skip(std::size_t count) {
        if (m_size - m_pos < count)
            return false;
        m_pos += count;
        return true;
    }
    void AlignDWord() { m_pos = std::min(m_size, (m_pos + 3) & ~static_cast<std::size_t>(3)); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

bool ReadItem(Reader& in, bool extended, DialogTemplateItem& item) {
    if (extended) {
        std::uint32_t helpId = 0;
        if (!in.U32(helpId) || !in.U32(item.exStyle) || !in.U32(item.style))
            return false;
    } else if (!in.U32(item.style) || !in.U32(item.exStyle)) {
        return false;
    }
    if (!in.I16(item.x) || !in.I16(item.y) || !in.I16(item.cx) || !in.I16(item.cy))
        return false;
    if (extended) {
        if (!in.U32(item.id))
            return false;
    } else {
        std::uint16_t id = 0;
        if (!in.U16(id))
            return false;
        item.id = id;
    }
    std::uint16_t extra = 0;
    if (!in.StringOrOrdinal() || !in.StringOrOrdinal() || !in.U16(extra) || !in.Skip(extra))
        return false;
    in.AlignDWord();
    return true;
}

} // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    DialogTemplate t;
    std::uint32_t first = 0;
    if (!in.U32(first))
        return std::nullopt;
    t.extended = first == 0xFFFF0001u;
    if (t.extended) {
        std::uint32_t helpId = 0;
        if (!in.U32(helpId) || !in.U32(t.exStyle) || !in.U32(t.style))
            return std::nullopt;
    } else {
        t.style = first;
        if (!in.U32(t.exStyle))
            return std::nullopt;
    }
    if (!in.U16(t.itemCount) || !in.I16(t.x) || !in.I16(t.y) || !in.I16(t.cx) || !in.I16(t.cy))
        return std::nullopt;
    if (!in.StringOrOrdinal(&t.hasMenu) || !in.StringOrOrdinal() || !in.String())
        return std::nullopt;
    if (t.style & DS_SETFONT_BIT) {
        std::uint16_t points = 0;
        if (!in.U16(points))
            return std::nullopt;
        t.font.pointSize = points > 0x7FFF ? 0x10000 - points : points;
        t.font.weight = 0;
        t.font.italic = 0;
        if (t.extended) {
            std::uint16_t weight = 0;
            std::uint8_t italic = 0, charset = 0;
            if (!in.U16(weight) || !in.U8(italic) || !in.U8(charset))
                return std::nullopt;
            t.font.weight = weight;
            t.font.italic = italic;
        }
        t.font.faceName.clear();
        if (!in.String(&t.font.faceName))
            return std::nullopt;
    }
    in.AlignDWord();
    for (std::uint16_t i = 0; i < t.itemCount; ++i) {
        DialogTemplateItem item;
        if (!ReadItem(in, t.extended, item))
            break;
        t.items.push_back(item);
    }
    return t;
}
