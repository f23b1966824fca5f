// Reading dialog templates: both header forms, their font, their items, and data that is cut
// short or is not a template at all.
#include "Controls/DialogTemplate.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Writes a template as the resource compiler lays it out.
class Builder {
public:
    Builder& U16(std::uint16_t v) {
        m_bytes.push_back(static_cast<std::uint8_t>(v));
        m_bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        return *this;
    }
    Builder& U32(std::uint32_t v) {
        return U16(static_cast<std::uint16_t>(v)).U16(static_cast<std::uint16_t>(v >> 16));
    }
    Builder& U8(std::uint8_t v) {
        m_bytes.push_back(v);
        return *this;
    }
    Builder& Str(const std::u16string& s) {
        for (char16_t c : s)
            U16(c);
        return U16(0);
    }
    Builder& Align() {
        while (m_bytes.size() % 4)
            m_bytes.push_back(0);
        return *this;
    }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

// An extended template like the program's main window: two items, "MS Shell Dlg" 8 pt.
Builder ExtendedTemplate(std::uint32_t style = 0x90C800C8, std::uint16_t points = 8) {
    Builder b;
    b.U32(0xFFFF0001).U32(0).U32(0x00040000).U32(style).U16(2).U16(0).U16(0).U16(282).U16(115);
    b.U16(0).U16(0).Str(u"Tervolin");
    if (style & 0x40)
        b.U16(points).U16(0).U8(0).U8(1).Str(u"MS Shell Dlg");
    b.Align();
    b.U32(0).U32(0).U32(0x50020001).U16(37).U16(65).U16(214).U16(17).U32(1002);
    b.U16(0xFFFF).U16(0x0082).Str(u"Are you sure?").U16(0).Align();
    b.U32(0).U32(0).U32(0x50010001).U16(63).U16(92).U16(73).U16(16).U32(1);
    b.Str(u"Button").Str(u"Write firmware").U16(0);
    return b;
}

} // namespace

TEST(DialogTemplate, ExtendedHeaderFontAndItems) {
    const auto bytes = ExtendedTemplate().Bytes();
    const auto t = ParseDialogTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->extended);
    EXPECT_EQ(t->style, 0x90C800C8u);
    EXPECT_EQ(t->exStyle, 0x00040000u);
    EXPECT_EQ(t->cx, 282);
    EXPECT_EQ(t->cy, 115);
    EXPECT_FALSE(t->hasMenu);
    EXPECT_EQ(t->font.pointSize, 8);
    EXPECT_EQ(t->font.weight, 0);
    EXPECT_EQ(t->font.faceName, u"MS Shell Dlg");
    ASSERT_EQ(t->items.size(), 2u);
    EXPECT_EQ(t->items[0].id, 1002u);
    EXPECT_EQ(t->items[0].style, 0x50020001u);
    EXPECT_EQ(t->items[1].id, 1u);
    EXPECT_EQ(t->items[1].x, 63);
    EXPECT_EQ(t->items[1].cx, 73);
    EXPECT_EQ(t->items[1].cy, 16);
}

TEST(DialogTemplate, NegativePointSizeIsTakenByItsMagnitude) {
    const auto bytes = ExtendedTemplate(0x90C800C8, 0xFFF8).Bytes();
    EXPECT_EQ(ParseDialogTemplate(bytes.data(), bytes.size())->font.pointSize, 8);
}

TEST(DialogTemplate, WithoutTheSetFontBitTheFontIsTahoma) {
    const auto bytes = ExtendedTemplate(0x90C80088).Bytes();
    const auto t = ParseDialogTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(t);
    EXPECT_EQ(t->font.faceName, u"Tahoma");
    EXPECT_EQ(t->font.pointSize, 8);
    EXPECT_EQ(t->font.weight, 400);
    EXPECT_EQ(t->items.size(), 2u);
}

TEST(DialogTemplate, MenuByOrdinalOrByName) {
    for (bool byName : {false, true}) {
        Builder b;
        b.U32(0xFFFF0001).U32(0).U32(0).U32(0x80C80048).U16(0).U16(0).U16(0).U16(10).U16(10);
        if (byName)
            b.Str(u"MAINMENU");
        else
            b.U16(0xFFFF).U16(200);
        b.U16(0).Str(u"").U16(9).U16(700).U8(1).U8(0).Str(u"Arial");
        const auto t = ParseDialogTemplate(b.Bytes().data(), b.Bytes().size());
        ASSERT_TRUE(t) << byName;
        EXPECT_TRUE(t->hasMenu) << byName;
        EXPECT_EQ(t->font.pointSize, 9);
        EXPECT_EQ(t->font.weight, 700);
        EXPECT_EQ(t->font.italic, 1);
        EXPECT_EQ(t->font.faceName, u"Arial");
    }
}

TEST(DialogTemplate, PlainHeaderAndItemsAtTheirOwnOffsets) {
    Builder b;
    b.U32(0x80C800C8).U32(0).U16(1).U16(0).U16(0).U16(235).U16(55);
    b.U16(0).U16(0).Str(u"About Tervolin").U16(8).Str(u"MS Shell Dlg").Align();
    b.U32(0x50010001).U32(0).U16(178).U16(7).U16(50).U16(16).U16(1).U16(0xFFFF).U16(0x0080).Str(u"OK").U16(0);
    const auto t = ParseDialogTemplate(b.Bytes().data(), b.Bytes().size());
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->extended);
    EXPECT_EQ(t->cx, 235);
    EXPECT_EQ(t->cy, 55);
    EXPECT_EQ(t->font.pointSize, 8);
    EXPECT_EQ(t->font.weight, 0);
    EXPECT_EQ(t->font.faceName, u"MS Shell Dlg");
    ASSERT_EQ(t->items.size(), 1u);
    EXPECT_EQ(t->items[0].id, 1u);
    EXPECT_EQ(t->items[0].x, 178);
    EXPECT_EQ(t->items[0].cx, 50);
}

TEST(DialogTemplate, TruncatedTemplatesNeverReadPastTheirEnd) {
    // Every prefix, each in a heap block of exactly its size so the sanitizer sees any overrun.
    const auto full = ExtendedTemplate().Bytes();
    std::size_t lastItems = 0;
    for (std::size_t size = 0; size <= full.size(); ++size) {
        std::vector<std::uint8_t> prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
        const auto t = ParseDialogTemplate(prefix.data(), prefix.size());
        if (t) {
            EXPECT_GE(t->items.size(), lastItems) << size;
            lastItems = t->items.size();
        }
    }
    EXPECT_EQ(lastItems, 2u);
    EXPECT_FALSE(ParseDialogTemplate(nullptr, 100));
}

TEST(DialogTemplate, GarbageIsReadSafely) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 200);
        for (auto& byte : bytes)
            byte = static_cast<std::uint8_t>(random());
        if (round % 2 && bytes.size() >= 4) {
            bytes[0] = 0x01;
            bytes[1] = 0x00;
            bytes[2] = 0xFF;
            bytes[3] = 0xFF;
        }
        const auto t = ParseDialogTemplate(bytes.data(), bytes.size());
        if (t) {
            EXPECT_LE(t->items.size(), t->itemCount);
        }
    }
}
