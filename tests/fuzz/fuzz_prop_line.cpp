// Fuzzes property lines and the placement text: the parsed fields are pieces of the line, a line
// built from plain fields parses back into them, and a placement written as text reads back.
#include "settings/core/prop_saver.h"
#include "tests/fuzz/fuzz_util.h"

#include <cstdint>
#include <cstring>

namespace {

class Owner : public rs::SaverOwner {
public:
    rs::WindowPlacementRecord placement;
    bool isForm() const override { return true; }
    bool windowExists() const override { return true; }
    tk::Persistent& persistent() override { std::abort(); }
    std::function<void()>* eventSlot(rs::OwnerEvent) override { return nullptr; }
    rs::WindowPlacementRecord getPlacement() override { return placement; }
    void setPlacement(const rs::WindowPlacementRecord& p) override { placement = p; }
    bool isVisible() override { return true; }
    bool applicationIconic() override { return false; }
    void setWindowState(int) override {}
    void postMaximize() override {}
    void updateAndRepaint() override {}
};

bool plain(const std::string& s)
{
    return s.find_first_of(",\"") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    rs::TrsProperty p;
    p.Parse(line);
    FUZZ_CHECK(line.find(p.PropPath) != std::string::npos, "path is no piece of the line");
    FUZZ_CHECK(p.DefValue.empty() || line.find(p.DefValue) != std::string::npos, "default is no piece of the line");
    FUZZ_CHECK(p.KeyName.empty() || line.find(p.KeyName) != std::string::npos, "key is no piece of the line");
    FUZZ_CHECK(p.Source == 'P' || p.Source == 'C' || p.Source == 'U' || p.Source == 'V', "source letter");
    FUZZ_CHECK(p.Mode == 'D' || p.Mode == 'R' || p.Mode == 'W', "mode letter");

    // Three fields split at NULs, written as a line: quoted defaults may hold commas.
    const size_t a = line.find('\0'), b = a == std::string::npos ? a : line.find('\0', a + 1);
    if (b != std::string::npos) {
        const std::string path = line.substr(0, a), def = line.substr(a + 1, b - a - 1), key = line.substr(b + 1);
        if (!path.empty() && plain(path) && def.find('"') == std::string::npos && def.find("\",\"") == std::string::npos
            && plain(key)) {
            rs::TrsProperty q;
            q.Parse(path + ",\"" + def + "\",\"" + key + "\",EPD");
            FUZZ_CHECK(q.PropPath == path && q.DefValue == def && q.KeyName == key,
                       "fields do not parse back: [" + q.PropPath + "][" + q.DefValue + "][" + q.KeyName + "]");
        }
    }

    Owner owner;
    rs::TrsPropSaver saver(owner, nullptr);
    try {
        saver.SetPlacementText(line);
    } catch (const slovo::Error&) {
    }
    if (size >= 40) {
        int32_t f[10];
        std::memcpy(f, data, sizeof f);
        owner.placement = {f[0], f[1] & 7, f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]};
        const rs::WindowPlacementRecord before = owner.placement;
        const std::string text = saver.GetPlacementText();
        saver.SetPlacementText(text);
        const auto& after = owner.placement;
        FUZZ_CHECK(after.flags == before.flags && after.left == before.left && after.top == before.top
                       && after.right == before.right && after.bottom == before.bottom && after.minX == before.minX
                       && after.maxY == before.maxY,
                   "placement text does not read back: " + text);
    }
    return 0;
}
