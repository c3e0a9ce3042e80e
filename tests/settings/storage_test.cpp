// The settings tree: paths, name order, caches, table growth and the value conversions.
#include "settings/core/storage.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace rs {
namespace {

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(CompareNames, FoldsOnlyLatinLettersAndPutsPrefixesFirst)
{
    EXPECT_EQ(compareNames("Left", "LEFT"), 0);
    EXPECT_LT(compareNames("Left", "Leftover"), 0);
    EXPECT_GT(compareNames("b", "A"), 0);
    EXPECT_NE(compareNames("ЛЕВО", "лево"), 0) << "Cyrillic compares by byte value";
    EXPECT_LT(compareNames("\x7F", "\x80"), 0) << "bytes compare unsigned";
    EXPECT_GT(compareNames("_", "a"), 0) << "'_' (95) sorts after a folded 'a' (65)";
}

TEST(Storage, RelativeAndAbsolutePathsNameTheSameKey)
{
    TrsStorage s;
    s.setRootSection("Form1.rsPropSaver1");
    s.WriteString("Left", "12");
    for (const char* path : {"Left", "\\Form1.rsPropSaver1\\Left", "/Form1.rsPropSaver1\\LEFT", "\\FORM1.RSPROPSAVER1\\left"}) {
        EXPECT_TRUE(s.KeyExists(path)) << path;
        EXPECT_EQ(s.ReadString(path, "none"), "12") << path;
    }
    ASSERT_EQ(s.sections().size(), 1u);
    EXPECT_EQ(s.sections()[0].name, "Form1.rsPropSaver1");
    EXPECT_EQ(s.sections()[0].id, 1u);
    EXPECT_EQ(s.sections()[0].parent, 0u);
}

TEST(Storage, OnlyTheLastBackslashSplitsAKeyPath)
{
    TrsStorage s;
    s.WriteString("Window/Left", "1"); // one key of that whole name at the root
    EXPECT_TRUE(s.sections().empty());
    ASSERT_EQ(s.keys().size(), 1u);
    EXPECT_EQ(s.keys()[0].name, "Window/Left");

    s.WriteString("A/B\\C", "2"); // sections A and B, key C
    ASSERT_EQ(s.sections().size(), 2u);
    EXPECT_EQ(s.ReadString("\\A\\B\\C", ""), "2");
    s.WriteString("\\Top", "3"); // top level
    EXPECT_EQ(s.keys()[0].section, 0u);
    EXPECT_FALSE(s.KeyExists("A//B\\C")) << "an empty component cannot be resolved";
    EXPECT_FALSE(s.KeyExists("A/\\C"));
    s.WriteString("A//B\\D", "x");
    EXPECT_FALSE(s.KeyExists("\\A\\B\\D")) << "nothing is written for an unresolvable path";
    EXPECT_EQ(s.ReadString("Missing\\Key", "default"), "default");
}

TEST(Storage, RootSectionCreatesItsPathAndEmptyMeansTop)
{
    TrsStorage s;
    s.setRootSection("A\\B");
    ASSERT_EQ(s.sections().size(), 2u);
    EXPECT_EQ(s.rootSection(), "A\\B");
    s.WriteString("K", "v");
    EXPECT_EQ(s.ReadString("\\A\\B\\K", ""), "v");
    s.setRootSection("");
    EXPECT_EQ(s.rootId(), 0u);
    EXPECT_FALSE(s.KeyExists("K"));
    s.setRootSection("A\\\\B"); // unresolvable: nothing changes
    EXPECT_EQ(s.rootId(), 0u);
    EXPECT_EQ(s.rootSection(), "");
}

TEST(Storage, DeletingTheOnlyKeyKeepsTheSectionAndClearResetsAll)
{
    TrsStorage s;
    s.WriteString("S\\K", "1");
    s.DeleteKey("S\\K");
    EXPECT_TRUE(s.keys().empty());
    EXPECT_EQ(s.sections().size(), 1u);
    s.WriteString("T\\K", "1");
    EXPECT_EQ(s.sections().back().id, 2u) << "ids come from the counter";
    s.setRootSection("T");
    s.Clear();
    EXPECT_TRUE(s.sections().empty());
    EXPECT_EQ(s.idCounter(), 0u);
    EXPECT_EQ(s.rootSection(), "");
    s.WriteString("U\\K", "1");
    EXPECT_EQ(s.sections()[0].id, 1u);
}

TEST(Storage, CyrillicCaseMakesDifferentKeysLatinCaseTheSame)
{
    TrsStorage s;
    s.WriteString("Ключ", "1");
    s.WriteString("КЛЮЧ", "2");
    s.WriteString("key", "3");
    s.WriteString("KEY", "4");
    EXPECT_EQ(s.keys().size(), 3u);
    EXPECT_EQ(s.ReadString("Ключ", ""), "1");
    EXPECT_EQ(s.ReadString("key", ""), "4");
}

TEST(Storage, TablesStaySortedAndCachesAgreeWithPlainLookups)
{
    // The same random operations on a cached and an uncached storage give the same answers.
    std::mt19937 rng(5);
    TrsStorage cached, plain;
    plain.setCachesEnabled(false);
    const char* sections[] = {"", "A\\", "a\\", "A\\B\\", "\\Z\\", "Ж\\"};
    const char* roots[] = {"", "A", "A\\B", "Ж"};
    for (int i = 0; i < 4000; ++i) {
        const std::string path = std::string(sections[rng() % 6]) + "k" + std::to_string(rng() % 40);
        switch (rng() % 5) {
        case 0:
        case 1:
            cached.WriteString(path, std::to_string(i));
            plain.WriteString(path, std::to_string(i));
            break;
        case 2:
            cached.DeleteKey(path);
            plain.DeleteKey(path);
            break;
        case 3: {
            const char* root = roots[rng() % 4];
            cached.setRootSection(root);
            plain.setRootSection(root);
            break;
        }
        default:
            ASSERT_EQ(cached.FindKey(path, false), plain.FindKey(path, false)) << path;
            ASSERT_EQ(cached.ReadString(path, "-"), plain.ReadString(path, "-")) << path;
        }
    }
    ASSERT_EQ(cached.keys().size(), plain.keys().size());
    for (size_t i = 1; i < cached.keys().size(); ++i) {
        const Key& a = cached.keys()[i - 1];
        const Key& b = cached.keys()[i];
        ASSERT_TRUE(a.section < b.section || (a.section == b.section && compareNames(a.name, b.name) < 0)) << i;
    }
}

TEST(TableGrowth, StepsAndShrinkAsStated)
{
    EXPECT_EQ(grownCapacity(0), 8u);
    EXPECT_EQ(grownCapacity(16), 24u);
    EXPECT_EQ(grownCapacity(24), 40u);
    EXPECT_EQ(grownCapacity(64), 80u);
    EXPECT_EQ(grownCapacity(80), 100u);
    EXPECT_EQ(shrunkCapacity(100, 99), 100u);
    EXPECT_EQ(shrunkCapacity(100, 97), 99u) << "odd number free: the smaller half";
    EXPECT_EQ(shrunkCapacity(16, 8), 12u);
    EXPECT_EQ(shrunkCapacity(16, 0), 0u);
    TrsStorage s;
    s.WriteString("a", "1");
    EXPECT_EQ(s.keys().capacity(), 8u);
    for (int i = 0; i < 16; ++i)
        s.WriteString("k" + std::to_string(i), "1");
    EXPECT_EQ(s.keys().capacity(), 24u);
    s.DeleteKey("a");
    EXPECT_EQ(s.keys().capacity(), 20u) << "16 used of 24: half of the 8 free entries go";
}

class Conversions : public ::testing::Test {
protected:
    StorageValue v;
    TrsKeyValueWrapper w;
    void SetUp() override { w.setCurrent(&v); }
};

TEST_F(Conversions, EveryTypeAsEveryTarget)
{
    w.SetString("12");
    EXPECT_EQ(w.AsInteger(), 12);
    EXPECT_EQ(w.AsInt64(), 12);
    EXPECT_DOUBLE_EQ(w.AsFloat(), 12.0);
    w.SetString(" $1F");
    EXPECT_EQ(w.AsInteger(), 31);
    w.SetString("0x1f");
    EXPECT_EQ(w.AsInteger(), 31);
    w.SetString("1.5");
    EXPECT_DOUBLE_EQ(w.AsFloat(), 1.5);
    EXPECT_EQ(errorOf([&] { w.AsInteger(); }), "'1.5' is not a valid integer value");
    w.SetString("слово");
    EXPECT_EQ(errorOf([&] { w.AsFloat(); }), "'слово' is not a valid floating point value");
    w.SetString("2147483648");
    EXPECT_EQ(errorOf([&] { w.AsInteger(); }), "'2147483648' is not a valid integer value");
    EXPECT_EQ(w.AsInt64(), 2147483648LL);

    w.SetBinary(std::string("\x01\x02", 2));
    EXPECT_EQ(w.AsString(), std::string("\x01\x02", 2));
    EXPECT_EQ(errorOf([&] { w.AsInteger(); }), "TrsStorage get key value error: Can't read value as integer type.");
    EXPECT_EQ(errorOf([&] { w.AsInt64(); }), "TrsStorage get key value error: Can't read value as Int64 type.");
    EXPECT_EQ(errorOf([&] { w.AsFloat(); }), "TrsStorage get key value error: Can't read value as float type.");

    w.SetInteger(-7);
    EXPECT_EQ(w.AsString(), "-7");
    EXPECT_EQ(w.AsInt64(), -7);
    EXPECT_EQ(v.payload[4], 0) << "the upper four bytes are zero";

    w.SetFloat(2.5);
    EXPECT_EQ(w.AsInteger(), 2) << "halves to even";
    w.SetFloat(3.5);
    EXPECT_EQ(w.AsInteger(), 4);
    EXPECT_EQ(w.AsString(), "3.5");
    w.SetFloat(1.0 / 3.0);
    EXPECT_EQ(w.AsString(), "0.333333333333333");
    w.SetFloat(1e20);
    EXPECT_EQ(w.AsString(), "1E20");
    w.SetFloat(1e15);
    EXPECT_EQ(w.AsString(), "1E15") << "an exponent of 15 digits is written as one";
    w.SetFloat(1e14);
    EXPECT_EQ(w.AsString(), "100000000000000");
    w.SetFloat(0.00001);
    EXPECT_EQ(w.AsString(), "0.00001");
    w.SetFloat(0.000001);
    EXPECT_EQ(w.AsString(), "1E-6");
    w.SetFloat(0.0001);
    EXPECT_EQ(w.AsString(), "0.0001");

    w.SetInt64(0x100000005LL);
    EXPECT_EQ(w.AsInteger(), 5) << "low 32 bits";
    EXPECT_EQ(w.AsString(), "4294967301");
    EXPECT_EQ(w.AsVariant().kind, Variant::Kind::Unassigned);
}

// Every finite float converts to text and back; near the largest double the 15-digit text is
// stepped towards zero, since the nearest one would overflow on reading.
TEST_F(Conversions, FloatTextsReadBackAtTheEndsOfTheRange)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {1.7976931348623157e308, "1.79769313486231E308"},
        {-1.7976931348623157e308, "-1.79769313486231E308"},
        {1.797693134862315e308, "1.79769313486231E308"},
        {1.79769313486231e308, "1.79769313486231E308"},
        {1.7976931348623e308, "1.7976931348623E308"},
        {1e308, "1E308"},
        {4.9406564584124654e-324, "4.94065645841247E-324"},
        {2.2250738585072014e-308, "2.2250738585072E-308"},
    };
    for (const auto& c : cases) {
        w.SetFloat(c.value);
        const std::string text = w.AsString();
        EXPECT_EQ(text, c.text) << c.value;
        StorageValue back;
        TrsKeyValueWrapper b;
        b.setCurrent(&back);
        b.SetString(text);
        double read = 0;
        EXPECT_NO_THROW(read = b.AsFloat()) << text;
        EXPECT_NEAR(read / c.value, 1.0, 1e-14) << text;
    }
}

TEST_F(Conversions, CurrencyDateBooleanPairAndBadTypes)
{
    w.SetVariant(Variant::ofCurrency(125000)); // 12.5
    EXPECT_EQ(v.type, vtCurrency);
    EXPECT_EQ(w.AsString(), "12.5");
    EXPECT_EQ(w.AsInteger(), 12);
    EXPECT_DOUBLE_EQ(w.AsFloat(), 12.5);

    w.SetVariant(Variant::ofDate(45000.5)); // 2023-03-15 12:00
    EXPECT_EQ(v.type, vtDateTime);
    EXPECT_EQ(w.AsString(), "15.03.2023 12:00:00");
    EXPECT_EQ(w.AsInteger(), 45000);
    EXPECT_EQ(errorOf([&] { w.AsFloat(); }), "TrsStorage get key value error: Can't read value as float type.");
    w.SetVariant(Variant::ofDate(45000.0));
    EXPECT_EQ(w.AsString(), "15.03.2023") << "no time at midnight";
    w.SetVariant(Variant::ofDate(2.0));
    EXPECT_EQ(w.AsString(), "01.01.1900");

    w.SetVariant(Variant::ofBoolean(false));
    EXPECT_EQ(w.AsString(), "False");
    w.SetVariant(Variant::ofBoolean(true));
    EXPECT_EQ(w.AsString(), "True");
    EXPECT_EQ(w.AsInteger(), 1);
    EXPECT_EQ(errorOf([&] { w.AsFloat(); }), "TrsStorage get key value error: Can't read value as float type.");

    v.type = vtPair;
    v.setInt32At(0, 3);
    v.setInt32At(4, -4);
    EXPECT_EQ(w.AsString(), "(3,-4)");
    EXPECT_EQ(errorOf([&] { w.AsInteger(); }), "TrsStorage get key value error: Can't read value as integer type.");

    v.type = 12;
    EXPECT_EQ(errorOf([&] { w.AsString(); }), "TrsStorage get key value error: Can't read value as string type.");
    EXPECT_EQ(w.AsVariant().kind, Variant::Kind::Unassigned);

    w.SetVariant(Variant());
    EXPECT_EQ(v.type, vtEmpty);
    EXPECT_EQ(w.AsString(), "");
    EXPECT_EQ(w.AsInteger(), 0);
}

TEST_F(Conversions, LocaleSeparatorAndCopiesAreIndependent)
{
    FormatSettings fs;
    fs.decimalSeparator = ',';
    w.setFormatSettings(fs);
    w.SetFloat(1.25);
    EXPECT_EQ(w.AsString(), "1,25");
    fs.shortDate = "d.M.yy";
    w.setFormatSettings(fs);
    w.SetVariant(Variant::ofDate(45000.0));
    EXPECT_EQ(w.AsString(), "15.3.23");
    w.SetString("2,5");
    EXPECT_DOUBLE_EQ(w.AsFloat(), 2.5);
    EXPECT_EQ(errorOf([&] { w.SetString("2.5"); w.AsFloat(); }), "'2.5' is not a valid floating point value");

    w.SetString("original");
    StorageValue copy;
    w.CopyValue(copy);
    w.SetString("changed");
    EXPECT_EQ(copy.bytes, "original");
    EXPECT_EQ(copy.type, vtString);
}

} // namespace
} // namespace rs
