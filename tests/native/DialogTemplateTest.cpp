// Reading dialog templates: both header forms, their font, their items, and data that is cut
// short or is not a template at all.
#include "Controls/DialogTemplate.h"

#include <gtest/gtest.h>

#include <sstream>
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

// The fields of a template on one line, to compare whole.
std::string Describe(const std::vector<std::uint8_t>& bytes) {
    const std::optional<DialogTemplate> t = ParseDialogTemplate(bytes.data(), bytes.size());
    if (!t)
        return "(none)";
    std::ostringstream out;
    out << (t->extended ? "extended" : "plain") << std::hex << " style " << t->style << " ex " << t->exStyle
        << std::dec << " size " << t->cx << "x" << t->cy << (t->hasMenu ? " menu" : "") << " font "
        << t->font.pointSize << "pt " << t->font.weight << (t->font.italic ? " italic " : " ")
        << std::string(t->font.faceName.begin(), t->font.faceName.end());
    for (const DialogTemplateItem& item : t->items)
        out << " | " << item.id << std::hex << " " << item.style << std::dec << " at " << item.x << ","
            << item.y << " " << item.cx << "x" << item.cy;
    return out.str();
}

// A template with a menu, by ordinal or by name, and a bold italic font.
Builder WithMenu(bool byName) {
    Builder b;
    b.U32(0xFFFF0001).U32(0).U32(0).U32(0x80C80048).U16(0).U16(0).U16(0).U16(10).U16(10);
    if (byName)
        b.Str(u"MAINMENU");
    else
        b.U16(0xFFFF).U16(200);
    b.U16(0).Str(u"").U16(9).U16(700).U8(1).U8(0).Str(u"Arial");
    return b;
}

// A plain template like the about box: one item at its own offset.
Builder PlainTemplate() {
    Builder b;
    b.U32(0x80C800C8).U32(0).U16(1).U16(0).U16(0).U16(235).U16(55);
    b.U16(0).U16(0).Str(u"About Tervolin").U16(8).Str(u"MS Shell Dlg").Align();
    b.U32(0x50010001).U32(0).U16(178).U16(7).U16(50).U16(16).U16(1).U16(0xFFFF).U16(0x0080).Str(u"OK").U16(0);
    return b;
}

} // namespace

TEST(DialogTemplate, HeaderFontAndItemsOfEachForm) {
    const std::string items = " | 1002 50020001 at 37,65 214x17 | 1 50010001 at 63,92 73x16";
    for (std::uint16_t points : {0x0008, 0xFFF8}) // a negative point size is taken by its magnitude
        EXPECT_EQ(Describe(ExtendedTemplate(0x90C800C8, points).Bytes()),
                  "extended style 90c800c8 ex 40000 size 282x115 font 8pt 0 MS Shell Dlg" + items);
    EXPECT_NE(Describe(ExtendedTemplate(0x90C800C8, 0x7FFF).Bytes()).find(" font 32767pt "),
              std::string::npos);
    // Without the set-font bit the font is Tahoma.
    EXPECT_EQ(Describe(ExtendedTemplate(0x90C80088).Bytes()),
              "extended style 90c80088 ex 40000 size 282x115 font 8pt 400 Tahoma" + items);
    for (bool byName : {false, true})
        EXPECT_EQ(Describe(WithMenu(byName).Bytes()),
                  "extended style 80c80048 ex 0 size 10x10 menu font 9pt 700 italic Arial");
    // Items past the template's count are not its own.
    Builder more = PlainTemplate();
    more.Align()
        .U32(0x50010001)
        .U32(0)
        .U16(1)
        .U16(2)
        .U16(3)
        .U16(4)
        .U16(2)
        .U16(0xFFFF)
        .U16(0x0080)
        .Str(u"")
        .U16(0);
    for (const Builder& plain : {PlainTemplate(), more})
        EXPECT_EQ(
            Describe(plain.Bytes()),
            "plain style 80c800c8 ex 0 size 235x55 font 8pt 0 MS Shell Dlg | 1 50010001 at 178,7 50x16");
    // An item's creation data is skipped; an item whose data runs past the end is left out.
    Builder extra;
    extra.U32(0x80C80088).U32(0).U16(3).U16(0).U16(0).U16(100).U16(50).U16(0).U16(0).Str(u"").Align();
    extra.U32(0x50010001).U32(0).U16(1).U16(2).U16(3).U16(4).U16(7).U16(0xFFFF).U16(0x0080).Str(u"");
    extra.U16(4).U32(0xDDDDDDDD).Align();
    extra.U32(0x50010003).U32(0).U16(9).U16(8).U16(7).U16(6).U16(8).U16(0xFFFF).U16(0x0080).Str(u"");
    extra.U16(0).Align();
    extra.U32(0x50010002).U32(0).U16(5).U16(6).U16(7).U16(8).U16(9).U16(0xFFFF).U16(0x0080).Str(u"");
    extra.U16(100).U16(0);
    EXPECT_EQ(Describe(extra.Bytes()), "plain style 80c80088 ex 0 size 100x50 font 8pt 400 Tahoma | 7 "
                                       "50010001 at 1,2 3x4 | 8 50010003 at 9,8 7x6");
}

TEST(DialogTemplate, TruncatedTemplatesNeverReadPastTheirEnd) {
    // Every prefix, each in a heap block of exactly its size so the sanitizer sees any overrun. The
    // last item is there only when the whole template is.
    for (const auto& [full, items] :
         {std::pair(ExtendedTemplate().Bytes(), 2u), std::pair(PlainTemplate().Bytes(), 1u)}) {
        std::size_t lastItems = 0;
        for (std::size_t size = 0; size <= full.size(); ++size) {
            std::vector<std::uint8_t> prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
            const auto t = ParseDialogTemplate(prefix.data(), prefix.size());
            if (t) {
                EXPECT_GE(t->items.size(), lastItems) << size;
                EXPECT_TRUE(t->items.size() < items || size == full.size()) << size;
                lastItems = t->items.size();
            }
        }
        EXPECT_EQ(lastItems, items);
    }
    EXPECT_FALSE(ParseDialogTemplate(nullptr, 100));
}
