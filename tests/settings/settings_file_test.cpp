// Value encryption, the "RS02" format, and the storage's load and save around a back end.
#include "settings/core/rs02_format.h"
#include "settings/core/storage.h"
#include "settings/core/storage_data.h"
#include "settings/core/value_crypt.h"

#include "common/std_file_system.h"
#include "tests/game/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace rs {
namespace {

constexpr uint32_t kGameKey = 537114806;

TEST(Base64, UnpaddedStandardAlphabet)
{
    const struct {
        std::string bytes, text;
    } cases[] = {{"", ""}, {"f", "Zg"}, {"fo", "Zm8"}, {"foo", "Zm9v"}, {"foob", "Zm9vYg"}, {std::string("\xFF\xFE", 2), "//4"}};
    for (const auto& c : cases) {
        EXPECT_EQ(base64Encode(c.bytes), c.text);
        EXPECT_EQ(base64Decode(c.text), c.bytes);
    }
    for (const char* bad : {"Zg==", "Zm 9v", "Z", "Zm9vY", "Zm\r\n", "Ж"})
        EXPECT_FALSE(base64Decode(bad).has_value()) << bad;
}

TEST(ValueCrypt, RoundTripsEveryTypeWithTheStatedLengths)
{
    TrsKeyValueWrapper w;
    StorageValue v;
    w.setCurrent(&v);
    w.SetInteger(-123);
    std::string text = encryptValue(v, kGameKey);
    EXPECT_EQ(text.size(), 14u) << "an integer encodes 10 bytes";
    StorageValue back;
    back.type = vtString;
    back.bytes = text;
    decryptValue(back, kGameKey);
    EXPECT_EQ(back.type, vtInteger);
    w.setCurrent(&back);
    EXPECT_EQ(w.AsInteger(), -123);

    for (const std::string plain : {"True", "wsNormal", "", "x"}) {
        StorageValue s;
        s.type = vtString;
        s.bytes = plain;
        text = encryptValue(s, kGameKey);
        const size_t m = 2 + plain.size();
        EXPECT_EQ(text.size(), 4 * (m / 3) + (m % 3 ? m % 3 + 1 : 0)) << plain;
        s.bytes = text;
        decryptValue(s, kGameKey);
        EXPECT_EQ(s.type, vtString);
        EXPECT_EQ(s.bytes, plain);
    }

    // The first bytes XOR the key in little-endian order: type 3 = 03 00 under B6 C6 03 20.
    StorageValue i;
    i.type = vtInteger;
    const std::string raw = *base64Decode(encryptValue(i, kGameKey));
    EXPECT_EQ(static_cast<uint8_t>(raw[0]), 0x03 ^ (kGameKey & 0xFF));
    EXPECT_EQ(static_cast<uint8_t>(raw[1]), (kGameKey >> 8) & 0xFF);

    // A text that is no base64, or decodes to a type of 10 or more, stays.
    StorageValue keep;
    keep.type = vtString;
    keep.bytes = "not base64!";
    decryptValue(keep, kGameKey);
    EXPECT_EQ(keep.bytes, "not base64!");
    StorageValue other;
    other.type = vtString;
    other.bytes = "True"; // valid base64: decodes to whatever its bytes give
    decryptValue(other, kGameKey);
    EXPECT_TRUE(other.type >= 10 ? other.bytes == "True" : true);
    for (const uint16_t type : {9, 10}) {
        StorageValue v;
        v.type = type;
        StorageValue t;
        t.type = vtString;
        t.bytes = encryptValue(v, kGameKey);
        decryptValue(t, kGameKey);
        EXPECT_EQ(t.type, type < 10 ? type : uint16_t{vtString}) << "a decoded type of 10 or more keeps the text";
    }
}

TEST(Rs02, WritesAndReadsBackTheSameTables)
{
    TrsStorage s;
    s.setRootSection("Form1.rsPropSaver1");
    s.WriteString("FormPlacement", "0,1,-1,-1,-1,-1,10,20,536,323");
    s.FindKey("Left", true);
    s.value().SetInteger(120);
    s.FindKey("Rate", true);
    s.value().SetFloat(0.75);
    s.FindKey("Big", true);
    s.value().SetInt64(-5000000000LL);
    s.FindKey("\\Top\\Data", true);
    s.value().SetBinary(std::string("\0\1\2", 3));
    const std::string bytes = writeRs02(s.sections(), s.keys());
    EXPECT_EQ(bytes.substr(0, 4), "RS02");

    Rs02Tables t = readRs02(bytes);
    EXPECT_TRUE(t.complete);
    TrsStorage r;
    r.assignTables(std::move(t.sections), std::move(t.keys));
    EXPECT_EQ(r.idCounter(), 2u);
    EXPECT_EQ(r.ReadString("\\Form1.rsPropSaver1\\FormPlacement", ""), "0,1,-1,-1,-1,-1,10,20,536,323");
    ASSERT_GE(r.FindKey("\\Form1.rsPropSaver1\\Left", false), 0);
    EXPECT_EQ(r.value().current()->type, vtInteger);
    EXPECT_EQ(r.value().AsInteger(), 120);
    r.FindKey("\\Form1.rsPropSaver1\\Rate", false);
    EXPECT_DOUBLE_EQ(r.value().AsFloat(), 0.75);
    r.FindKey("\\Form1.rsPropSaver1\\Big", false);
    EXPECT_EQ(r.value().AsInt64(), -5000000000LL);
    r.FindKey("\\Top\\Data", false);
    EXPECT_EQ(r.value().current()->bytes, std::string("\0\1\2", 3));
    EXPECT_EQ(writeRs02(r.sections(), r.keys()), bytes);
}

TEST(Rs02, VersionDigitChoosesTheLengthWidth)
{
    // One key at the top level, string "ab", with a 2-byte length because the digit is "1".
    std::string v1 = std::string("XYZ1") + std::string("\0\0\1\0", 4) + std::string("\0\0\1k\1\0\2\0ab", 11);
    Rs02Tables t = readRs02(v1);
    ASSERT_EQ(t.keys.size(), 1u);
    EXPECT_EQ(t.keys[0].value.bytes, "ab");
    std::string v2 = std::string("ABC2") + std::string("\0\0\1\0", 4) + std::string("\0\0\1k\1\0\2\0\0\0ab", 13);
    t = readRs02(v2);
    ASSERT_EQ(t.keys.size(), 1u);
    EXPECT_EQ(t.keys[0].value.bytes, "ab") << "any first three letters, digit 2";
    // A boolean's payload is 4 bytes and an Int64's, type 9, 8 bytes, each then the next key.
    const std::string boolean = std::string("RS02") + std::string("\0\0\3\0", 4) + std::string("\0\0\1b\7\0\1\0\0\0", 10)
                                + std::string("\0\0\1c\x09\0\1\2\3\4\5\6\7\x08", 14) + std::string("\0\0\1d\0\0", 6);
    t = readRs02(boolean);
    ASSERT_EQ(t.keys.size(), 3u);
    EXPECT_EQ(t.keys[1].value.type, vtInt64);
    EXPECT_EQ(t.keys[2].name, "d");
    EXPECT_EQ(writeRs02(t.sections, t.keys), boolean);
}

TEST(Rs02, ClipsWhatTheFormatCannotHold)
{
    std::vector<Section> sections{{std::string(300, 'S'), 1, 0}, {"high", 70000, 0}};
    std::vector<Key> keys(2);
    keys[0].name = std::string(300, 'k');
    keys[0].section = 1;
    keys[1].name = "lost";
    keys[1].section = 70000;
    const Rs02Tables t = readRs02(writeRs02(sections, keys));
    EXPECT_TRUE(t.complete);
    ASSERT_EQ(t.sections.size(), 1u);
    EXPECT_EQ(t.sections[0].name.size(), 255u);
    ASSERT_EQ(t.keys.size(), 1u);
    EXPECT_EQ(t.keys[0].name.size(), 255u);
}

// Names equal in their first 255 bytes (Latin case aside) clip to one name; the first is kept,
// the others are left out with what they hold, and everything after them still reads back.
TEST(Rs02, ClippedNamesThatCollideAreLeftOutAndTheRestReadsBack)
{
    const std::string a256(256, 'a'), a257 = std::string(200, 'a') + std::string(57, 'A'), a255(255, 'a');
    {
        TrsStorage s;
        for (const auto& name : {a256, a257, std::string("b")})
            s.WriteString("\\" + name, name.substr(0, 1) + std::to_string(name.size()));
        const Rs02Tables t = readRs02(writeRs02(s.sections(), s.keys()));
        EXPECT_TRUE(t.complete);
        ASSERT_EQ(t.keys.size(), 2u);
        EXPECT_EQ(t.keys[0].name, a255);
        EXPECT_EQ(t.keys[0].value.bytes, "a256");
        EXPECT_EQ(t.keys[1].name, "b");
        EXPECT_EQ(t.keys[1].value.bytes, "b1");
    }
    {
        TrsStorage s;
        for (const auto& name : {a256, a257, std::string("b")}) {
            s.WriteString("\\" + name + "\\k", std::to_string(name.size()));
            s.WriteString("\\" + name + "\\inner\\k", "inner");
        }
        s.WriteString("\\top", "last");
        const Rs02Tables t = readRs02(writeRs02(s.sections(), s.keys()));
        EXPECT_TRUE(t.complete);
        TrsStorage r;
        r.assignTables(t.sections, t.keys);
        EXPECT_EQ(r.ReadString("\\" + a255 + "\\k", "-"), "256");
        EXPECT_EQ(r.ReadString("\\" + a255 + "\\inner\\k", "-"), "inner");
        EXPECT_EQ(r.ReadString("\\b\\k", "-"), "1");
        EXPECT_EQ(r.ReadString("\\b\\inner\\k", "-"), "inner");
        EXPECT_EQ(r.ReadString("\\top", "-"), "last");
        EXPECT_EQ(t.sections.size(), 4u) << "the colliding section and its subsection are left out";
        EXPECT_EQ(t.keys.size(), 5u) << "and so are their keys";
    }
}

// A file whose ids reach 65,535: a new section takes a free id the file can hold, so what is set in
// it is saved; with every id taken the path cannot be resolved and nothing is lost silently.
TEST(Rs02, NewSectionsAfterTheHighestIdAreSaved)
{
    std::vector<Section> sections{{"full", 65535, 0}, {"one", 1, 0}};
    std::sort(sections.begin(), sections.end(), [](const Section& x, const Section& y) { return compareNames(x.name, y.name) < 0; });
    TrsStorage s;
    s.assignTables(sections, {});
    EXPECT_EQ(s.idCounter(), 65535u);
    s.WriteString("\\new\\k", "kept");
    s.WriteString("\\newer\\k", "kept too");
    const Rs02Tables t = readRs02(writeRs02(s.sections(), s.keys()));
    EXPECT_TRUE(t.complete);
    TrsStorage r;
    r.assignTables(t.sections, t.keys);
    EXPECT_EQ(r.ReadString("\\new\\k", "lost"), "kept");
    EXPECT_EQ(r.ReadString("\\newer\\k", "lost"), "kept too");
    std::vector<uint32_t> ids;
    for (const auto& sec : t.sections)
        ids.push_back(sec.id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<uint32_t>{1, 2, 3, 65535}));

    std::vector<Section> all;
    for (uint32_t id = 1; id <= kMaxSectionId; ++id) {
        char name[8];
        std::snprintf(name, sizeof name, "%05u", id);
        all.push_back({name, id, 0});
    }
    TrsStorage full;
    full.assignTables(all, {});
    full.WriteString("\\more\\k", "x");
    EXPECT_FALSE(full.KeyExists("\\more\\k"));
    EXPECT_EQ(full.sections().size(), kMaxSectionId);
    full.WriteString("\\00007\\k", "y");
    EXPECT_EQ(full.ReadString("\\00007\\k", "-"), "y") << "existing sections still take keys";
}

// Truncated and random files: the reader keeps a sound prefix and never reads past the data.
TEST(Rs02, TruncatedAndRandomFilesAreReadAsFarAsTheyAreSound)
{
    const Rs02Tables zero = readRs02(std::string("RS02\1\0\0\0\0\0\0\0\1s", 14));
    EXPECT_FALSE(zero.complete || !zero.sections.empty()) << "id 0 is the top level, no section";

    TrsStorage s;
    for (int i = 0; i < 20; ++i) {
        s.WriteString("S" + std::to_string(i % 3) + "\\k" + std::to_string(i), std::string(static_cast<size_t>(i), 'x'));
        s.FindKey("n" + std::to_string(i), true);
        s.value().SetInteger(i);
    }
    const std::string full = writeRs02(s.sections(), s.keys());
    size_t lastKeys = 0;
    for (size_t cut = 0; cut <= full.size(); ++cut) {
        const Rs02Tables t = readRs02(std::string_view(full).substr(0, cut));
        EXPECT_GE(t.keys.size(), lastKeys) << "a longer prefix never gives fewer keys";
        lastKeys = t.keys.size();
        EXPECT_EQ(t.complete, cut == full.size() || cut == 0) << cut;
    }
    EXPECT_EQ(lastKeys, s.keys().size());

    std::mt19937 rng(11);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = round % 2 ? full.substr(0, rng() % full.size()) : std::string("RS02");
        const size_t n = rng() % 64;
        for (size_t i = 0; i < n; ++i)
            bytes += static_cast<char>(rng() % 4 ? rng() % 8 : rng());
        if (round % 3 == 0 && bytes.size() > 8)
            bytes[4 + rng() % 4] = static_cast<char>(0xFF); // huge counts
        const Rs02Tables t = readRs02(bytes);
        ASSERT_LE(t.sections.size(), 65535u);
        ASSERT_LE(t.keys.size(), 65535u);
        TrsStorage r;
        r.assignTables(t.sections, t.keys);
        // A file read back writes a file that reads back the same.
        const std::string again = writeRs02(r.sections(), r.keys());
        const Rs02Tables t2 = readRs02(again);
        ASSERT_TRUE(t2.complete);
        ASSERT_EQ(t2.keys.size(), t.keys.size());
        ASSERT_EQ(t2.sections.size(), t.sections.size());
    }
}

// A back end whose file image stays in memory, through the stream events.
struct MemoryFile {
    std::string image;
    slovo::StdFileSystem fs;
    TrsBinData data{fs, PlatformDirs{}};
    MemoryFile()
    {
        data.OnLoadFromStream = [this](std::string& stream, bool& doStandard) {
            stream = image;
            doStandard = false;
        };
        data.OnSaveToStream = [this](std::string& stream, bool& doStandard) {
            image = stream;
            doStandard = false;
        };
    }
};

TEST(StorageFile, SaveEncryptsOnlyTheWrittenCopy)
{
    MemoryFile file;
    std::vector<std::string> events;
    {
        TrsStorage s(kGameKey);
        s.setStorageData(&file.data);
        for (const char* k : {"\\Form1.rsPropSaver1\\Left", "Form1.rsPropSaver1\\ShowHint", "\\Form1.rsPropSaver1\\Missing"})
            s.addEncryptKey(k);
        s.OnBeforeSave = [&] { events.push_back("before save"); };
        s.OnAfterSave = [&] { events.push_back("after save"); };
        file.data.OnBeforeSave = [&] { events.push_back("data before save"); };
        file.data.OnAfterSave = [&] { events.push_back("data after save"); };
        s.setActive(true);
        s.setRootSection("Form1.rsPropSaver1");
        s.FindKey("Left", true);
        s.value().SetInteger(300);
        s.WriteString("ShowHint", "True");
        s.WriteString("FormPlacement", "plain");
        s.Save();
        EXPECT_EQ(s.rootSection(), "Form1.rsPropSaver1") << "the root is put back after writing";
        s.FindKey("Left", false);
        EXPECT_EQ(s.value().current()->type, vtInteger) << "memory keeps the plain value";
        EXPECT_EQ(s.value().AsInteger(), 300);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"before save", "data before save", "data after save", "after save",
                                                "before save", "data before save", "data after save", "after save"}))
        << "saved once by hand and once when it became inactive";

    const Rs02Tables t = readRs02(file.image);
    ASSERT_EQ(t.keys.size(), 3u);
    EXPECT_EQ(t.keys[0].name, "FormPlacement");
    EXPECT_EQ(t.keys[0].value.bytes, "plain");
    EXPECT_EQ(t.keys[1].name, "Left");
    EXPECT_EQ(t.keys[1].value.type, vtString);
    EXPECT_EQ(t.keys[1].value.bytes.size(), 14u);

    TrsStorage loaded(kGameKey);
    loaded.addEncryptKey("\\Form1.rsPropSaver1\\Left");
    loaded.addEncryptKey("\\Form1.rsPropSaver1\\ShowHint");
    loaded.setStorageData(&file.data);
    loaded.setActive(true);
    ASSERT_GE(loaded.FindKey("\\Form1.rsPropSaver1\\Left", false), 0);
    EXPECT_EQ(loaded.value().current()->type, vtInteger);
    EXPECT_EQ(loaded.value().AsInteger(), 300);
    EXPECT_EQ(loaded.ReadString("\\Form1.rsPropSaver1\\ShowHint", ""), "True");

    TrsStorage otherKey(12345);
    otherKey.addEncryptKey("\\Form1.rsPropSaver1\\Left");
    otherKey.setStorageData(&file.data);
    otherKey.setActive(true);
    otherKey.FindKey("\\Form1.rsPropSaver1\\Left", false);
    EXPECT_FALSE(otherKey.value().current()->type == vtInteger && otherKey.value().AsInteger() == 300)
        << "another key does not give the value back";
    loaded.setStorageData(nullptr);
    otherKey.setStorageData(nullptr);
}

TEST(StorageFile, HandlersTakeTheAbsolutePathOfEachEntryOnce)
{
    MemoryFile file;
    std::vector<std::string> calls;
    TrsStorage s;
    for (const char* k : {"S\\K", "s\\k"})
        s.addEncryptKey(k);
    s.OnDecryptKey = [&](const std::string& k) { calls.push_back("decrypt " + k); };
    s.OnEncryptKey = [&](const std::string& k) { calls.push_back("encrypt " + k); };
    s.setStorageData(&file.data);
    s.setActive(true);
    s.Save();
    EXPECT_EQ(calls, (std::vector<std::string>{"decrypt \\S\\K", "encrypt \\S\\K"}));
}

TEST(StorageFile, EncryptedBinariesStayBinaryAndOnlySoSaveOnCloseSavesOnClosing)
{
    MemoryFile file;
    const std::string bytes("\0\1", 2);
    {
        TrsStorage s(kGameKey);
        s.addEncryptKey("\\S\\B");
        s.setStorageData(&file.data);
        s.setActive(true);
        s.FindKey("\\S\\B", true);
        s.value().SetBinary(bytes);
    }
    const Rs02Tables t = readRs02(file.image);
    ASSERT_EQ(t.keys.size(), 1u);
    EXPECT_EQ(t.keys[0].value.type, vtBinary);
    EXPECT_NE(t.keys[0].value.bytes, bytes);
    TrsStorage r(kGameKey);
    r.addEncryptKey("\\S\\B");
    r.setStorageData(&file.data);
    r.setActive(true);
    ASSERT_GE(r.FindKey("\\S\\B", false), 0);
    EXPECT_EQ(r.value().current()->type, vtBinary);
    EXPECT_EQ(r.value().current()->bytes, bytes);
    r.soSaveOnClose = false;
    r.WriteString("\\S\\C", "x");
    r.setActive(false);
    EXPECT_EQ(readRs02(file.image).keys.size(), 1u);
}

TEST(StorageFile, LoadIsPutOffUntilTheOwnerIsBuiltAndTheBackEndGoingAwaySaves)
{
    MemoryFile file;
    TrsStorage seed;
    seed.WriteString("\\S\\K", "v");
    file.image = writeRs02(seed.sections(), seed.keys());

    auto data = std::make_unique<TrsBinData>(file.fs, PlatformDirs{});
    data->OnLoadFromStream = file.data.OnLoadFromStream;
    data->OnSaveToStream = file.data.OnSaveToStream;
    TrsStorage s;
    s.beginLoading();
    s.setActive(true);
    s.setStorageData(data.get());
    EXPECT_FALSE(s.KeyExists("\\S\\K")) << "not loaded while the owner is being built";
    s.endLoading();
    EXPECT_TRUE(s.KeyExists("\\S\\K"));
    s.WriteString("\\S\\New", "1");
    data.reset(); // the back end goes first: the storage saves while it still exists
    EXPECT_FALSE(s.active());
    EXPECT_EQ(readRs02(file.image).keys.size(), 2u);
}

// A real file: the options' defaults, every level of a directory made, and the stream emptied
// before each read and write, so a read that finds no file keeps nothing of the image before.
TEST(StorageFile, EveryDirectoryLevelAndTheStreamEmptiedBeforeReadingAndWriting)
{
    slovo::test::TempDir dir;
    slovo::StdFileSystem fs;
    TrsBinData data(fs, PlatformDirs{});
    EXPECT_TRUE(data.doAutoName && !data.doAutoCreateDir);
    data.CreateFileDir(dir.file("a/b"));
    EXPECT_TRUE(fs.directoryExists(dir.file("a/b")));
    data.doAutoName = false;
    data.fileDir = FileDir::fdCustom;
    data.FileName = dir.file("a/b/set.bin");
    TrsStorage s;
    s.setStorageData(&data);
    s.setActive(true);
    s.WriteString("\\S\\K", "v");
    s.Save();
    std::filesystem::remove(data.FileName);
    s.Load();
    EXPECT_FALSE(s.KeyExists("\\S\\K"));
    s.setStorageData(nullptr);

    // The plain stream back end writes what its WriteStream made of an emptied stream: nothing.
    TrsStreamData plain(fs, PlatformDirs{});
    plain.OnLoadFromStream = [](std::string& stream, bool& standard) {
        stream = "image";
        standard = false;
    };
    std::string saved = "-";
    plain.OnSaveToStream = [&](std::string& stream, bool& standard) {
        saved = stream;
        standard = false;
    };
    plain.ReadData();
    plain.WriteData();
    EXPECT_EQ(saved, "");
}

TEST(StorageFile, FilePathRule)
{
    PlatformDirs dirs{"C:\\Games\\Slovo\\Slovolovka.exe", "C:\\WINDOWS", "C:\\Users\\me\\AppData"};
    EXPECT_EQ(settingsFilePath("data\\", FileDir::fdWindows, true, ".bin", dirs), "C:\\WINDOWS\\data\\Slovolovka.bin");
    EXPECT_EQ(settingsFilePath("", FileDir::fdApplication, true, ".bin", dirs), "C:\\Games\\Slovo\\Slovolovka.bin");
    EXPECT_EQ(settingsFilePath("cfg\\my.dat", FileDir::fdUserProfile, false, ".bin", dirs), "C:\\Users\\me\\AppData\\cfg\\my.dat");
    EXPECT_EQ(settingsFilePath("D:\\x\\set", FileDir::fdCustom, false, ".bin", dirs), "D:\\x\\set.bin");
    EXPECT_EQ(settingsFilePath("set.ini", FileDir::fdWindows, false, ".bin", {"", "C:\\W\\", ""}), "C:\\W\\set.ini");
    dirs.appDataDir.clear();
    EXPECT_EQ(settingsFilePath("", FileDir::fdUserProfile, true, ".bin", dirs), "Slovolovka.bin");
}

} // namespace
} // namespace rs
