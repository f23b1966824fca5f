// Which registry values count as a language tag.
#include "libs/ravozev/LanguageTag.h"

#include <gtest/gtest.h>

TEST(LanguageTag, TwoOrThreeLettersInAnyCaseAndNothingElseNameTheModule) {
    EXPECT_EQ(NormalizeLanguageTag("fr"), "fr");
    EXPECT_EQ(NormalizeLanguageTag("DE"), "de");
    EXPECT_EQ(NormalizeLanguageTag("Ita"), "ita");
    EXPECT_EQ(NormalizeLanguageTag("AZz"), "azz"); // the ends of the alphabet
    // Nothing else.
    const std::string_view rejected[] = {"",    "f",     "fren",  "fr-FR", "fr_FR", "f1",
                                         "1fr", "..",    "../",   "fr ",   " fr",   "f.",
                                         "c:",  "\\\\a", "fr\\x", "é",     "\xE9t", "\xFF\xFF"};
    for (std::string_view value : rejected)
        EXPECT_FALSE(NormalizeLanguageTag(value)) << value;
    EXPECT_FALSE(NormalizeLanguageTag(std::string_view("f\0r", 3)));
    EXPECT_EQ(LanguageModuleName("fr"), "Tervolin.fr.dll");
}
