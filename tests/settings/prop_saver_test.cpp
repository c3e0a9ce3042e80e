// The property saver over a window-like owner: line parsing, paths, load and save, placement
// and the take-over of the owner's events.
#include "settings/core/prop_saver.h"
#include "settings/core/storage_data.h"

#include <gtest/gtest.h>

#include <map>

namespace rs {
namespace {

tk::PropInfo ordinal(const char* name, tk::PropKind kind, std::vector<std::string> names, std::function<int64_t()> get,
                     std::function<void(int64_t)> set)
{
    tk::PropInfo p;
    p.name = name;
    p.kind = kind;
    p.valueNames = std::move(names);
    p.getOrdinal = std::move(get);
    p.setOrdinal = std::move(set);
    return p;
}

// A menu item: one boolean property.
class Item : public tk::Persistent {
public:
    explicit Item(std::string name) : name_(std::move(name))
    {
        props_.push_back(ordinal("Enabled", tk::PropKind::Enumeration, {"False", "True"}, [this] { return int64_t{enabled}; },
                                 [this](int64_t v) { enabled = v != 0; }));
    }
    std::vector<tk::PropInfo>& properties() override { return props_; }
    std::string componentName() const override { return name_; }
    bool enabled = true;

private:
    std::string name_;
    std::vector<tk::PropInfo> props_;
};

// The window: Left, Top, ShowHint, WindowState, a set, a float, owned items, placement, events.
class Window : public tk::Persistent, public SaverOwner {
public:
    Window()
    {
        props_.push_back(ordinal("Left", tk::PropKind::Integer, {}, [this] { return int64_t{left}; }, [this](int64_t v) { left = static_cast<int>(v); }));
        props_.push_back(ordinal("Top", tk::PropKind::Integer, {}, [this] { return int64_t{top}; }, [this](int64_t v) { top = static_cast<int>(v); }));
        props_.push_back(ordinal("ShowHint", tk::PropKind::Enumeration, {"False", "True"}, [this] { return int64_t{showHint}; },
                                 [this](int64_t v) { showHint = v != 0; }));
        props_.push_back(ordinal("WindowState", tk::PropKind::Enumeration, {"wsNormal", "wsMinimized", "wsMaximized"},
                                 [this] { return int64_t{state}; }, [this](int64_t v) { state = static_cast<int>(v); }));
        props_.push_back(ordinal("Anchors", tk::PropKind::Set, {"akLeft", "akTop", "akRight", "akBottom"}, [this] { return anchors; },
                                 [this](int64_t v) { anchors = v; }));
        tk::PropInfo scale;
        scale.name = "Scale";
        scale.kind = tk::PropKind::Float;
        scale.getFloat = [this] { return zoom; };
        scale.setFloat = [this](double v) { zoom = v; };
        props_.push_back(scale);
    }
    std::vector<tk::PropInfo>& properties() override { return props_; }
    tk::Persistent* ownedComponent(const std::string& name) override
    {
        for (Item* i : {&soundOff, &soundOn})
            if (i->componentName() == name)
                return i;
        return nullptr;
    }
    bool isForm() const override { return true; }
    bool windowExists() const override { return exists; }
    tk::Persistent& persistent() override { return *this; }
    std::function<void()>* eventSlot(OwnerEvent e) override { return &events[e]; }
    WindowPlacementRecord getPlacement() override { return placement; }
    void setPlacement(const WindowPlacementRecord& p) override
    {
        placement = p;
        log += "placement;";
    }
    bool isVisible() override { return visible; }
    bool applicationIconic() override { return iconic; }
    void setWindowState(int s) override
    {
        state = s;
        log += s ? "minimized;" : "normal;";
    }
    void postMaximize() override { log += "maximize posted;"; }
    void updateAndRepaint() override { log += "repaint;"; }

    int left = 10, top = 20, state = 0;
    bool showHint = true, exists = true, visible = false, iconic = false;
    int64_t anchors = 3;
    double zoom = 1.0;
    Item soundOff{"SoundOFF"}, soundOn{"SoundON"};
    WindowPlacementRecord placement{0, 1, -1, -1, -1, -1, 100, 50, 622, 349};
    std::map<OwnerEvent, std::function<void()>> events;
    std::string log;

private:
    std::vector<tk::PropInfo> props_;
};

const std::vector<std::string> kGameLines = {
    "Left,\"\",\"\",EPDC", "Top,\"\",\"\",EPDC", "ShowHint,\"\",\"\",EPDC", "WindowState,\"\",\"\",EPDC",
    "SoundOFF.Enabled,\"\",\"\",EPDC", "SoundON.Enabled,\"\",\"\",EPDC"};

TEST(TrsProperty, ParsesTheFourFields)
{
    TrsProperty p;
    p.Parse("Left,\"\",\"\",EPDC");
    EXPECT_EQ(p.PropPath, "Left");
    EXPECT_EQ(p.DefValue, "");
    EXPECT_EQ(p.KeyName, "");
    EXPECT_TRUE(p.Enabled && p.Source == 'P' && p.Mode == 'D' && p.Encrypt);
    p.Parse("Left,100,EPD");
    EXPECT_EQ(p.PropPath, "Left");
    EXPECT_EQ(p.DefValue, "100");
    EXPECT_FALSE(p.Encrypt);
    p.Parse("Left,\"\",\"\",ECDX");
    EXPECT_FALSE(p.Encrypt) << "only a fourth letter C encrypts";
    p.Parse("Left,EPD");
    EXPECT_EQ(p.PropPath, "Left");
    EXPECT_EQ(p.DefValue, "") << "no default field";
    p.Parse("Left,\"100\",\"PosX\",EUR");
    EXPECT_EQ(p.DefValue, "100");
    EXPECT_EQ(p.KeyName, "PosX");
    EXPECT_EQ(p.StoredName(), "PosX");
    EXPECT_EQ(p.Source, 'U');
    EXPECT_EQ(p.Mode, 'R');
    p.Parse("Width,\"\",\"\",xZQ"); // unknown letters keep the previous line's source and mode
    EXPECT_FALSE(p.Enabled);
    EXPECT_EQ(p.Source, 'U');
    EXPECT_EQ(p.Mode, 'R');
    p.Parse("SoundOFF.Enabled");
    EXPECT_EQ(p.PropPath, "SoundOFF.Enabled");
    EXPECT_TRUE(p.Enabled && p.Source == 'P' && p.Mode == 'D' && !p.Encrypt);
    p.Parse("ab");
    EXPECT_EQ(p.PropPath, "ab");
}

// Quoted defaults that hold commas and quotes: the key field starts after the default's closing
// quote, also when the default is one comma.
TEST(TrsProperty, QuotedDefaultsWithCommasKeepTheirKey)
{
    const struct {
        const char* line;
        const char* path;
        const char* def;
        const char* key;
    } cases[] = {
        {"Sep,\",\",\"\",EPD", "Sep", ",", ""},
        {"Sep,\",\",\"K\",EPD", "Sep", ",", "K"},
        {"Sep,\",\",EPD", "Sep", ",", ""},
        {"Sep,\",,\",\"K\",EPD", "Sep", ",,", "K"},
        {"Left,\"\",\"\",EPDC", "Left", "", ""},
        {"X,\"a\",\"k\",EPD", "X", "a", "k"},
        {"X,a\",\"k\",EPD", "X", "a\"", "k"},
        {"P\",\"k\",EPD", "P\"", "k", ""},
    };
    for (const auto& c : cases) {
        TrsProperty p;
        p.Parse(c.line);
        EXPECT_EQ(p.PropPath, c.path) << c.line;
        EXPECT_EQ(p.DefValue, c.def) << c.line;
        EXPECT_EQ(p.KeyName, c.key) << c.line;
        EXPECT_EQ(p.Mode, 'D') << c.line;
    }
}

class Saver : public ::testing::Test {
protected:
    Window window;
    TrsStorage storage{537114806};
    std::vector<std::string> errors;
    std::unique_ptr<TrsPropSaver> saver;
    void SetUp() override
    {
        saver = std::make_unique<TrsPropSaver>(window, [this](std::exception_ptr e) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& x) {
                errors.push_back(x.what());
            }
        });
        saver->Storage = &storage;
        saver->RootSection = "Form1.rsPropSaver1";
        saver->Properties = kGameLines;
    }
};

TEST_F(Saver, SavesSevenKeysWithTypesAndMarksSixEncrypted)
{
    window.showHint = false;
    window.soundOn.enabled = false;
    saver->SaveProperties();
    ASSERT_EQ(storage.sections().size(), 1u);
    std::vector<std::string> names;
    for (const auto& k : storage.keys())
        names.push_back(k.name);
    EXPECT_EQ(names, (std::vector<std::string>{"FormPlacement", "Left", "ShowHint", "SoundOFF.Enabled", "SoundON.Enabled",
                                               "Top", "WindowState"}));
    storage.FindKey("\\Form1.rsPropSaver1\\Left", false);
    EXPECT_EQ(storage.value().current()->type, vtInteger);
    EXPECT_EQ(storage.ReadString("\\Form1.rsPropSaver1\\ShowHint", ""), "False");
    EXPECT_EQ(storage.ReadString("\\Form1.rsPropSaver1\\SoundON.Enabled", ""), "False");
    EXPECT_EQ(storage.ReadString("\\Form1.rsPropSaver1\\WindowState", ""), "wsNormal");
    EXPECT_EQ(storage.ReadString("\\Form1.rsPropSaver1\\FormPlacement", ""), "0,1,-1,-1,-1,-1,100,50,622,349");
    EXPECT_EQ(storage.encryptKeys(),
              (std::vector<std::string>{"\\Form1.rsPropSaver1\\Left", "\\Form1.rsPropSaver1\\ShowHint",
                                        "\\Form1.rsPropSaver1\\SoundOFF.Enabled", "\\Form1.rsPropSaver1\\SoundON.Enabled",
                                        "\\Form1.rsPropSaver1\\Top", "\\Form1.rsPropSaver1\\WindowState"}));
    saver->MarkEncrypted("Left");
    EXPECT_EQ(storage.encryptKeys().size(), 6u);
    storage.addEncryptKey("Form1.rsPropSaver1\\Other");
    saver->MarkEncrypted("Other");
    EXPECT_EQ(storage.encryptKeys().size(), 7u) << "found also without the leading backslash";
}

TEST_F(Saver, LoadsBackAndAppliesThePlacementLast)
{
    window.left = 333;
    window.showHint = false;
    window.soundOff.enabled = false;
    window.placement = {0, 3, -1, -1, -1, -1, 5, 6, 521, 305};
    saver->SaveProperties();

    Window fresh;
    TrsPropSaver again(fresh, nullptr);
    again.Storage = &storage;
    again.RootSection = "Form1.rsPropSaver1";
    again.Properties = kGameLines;
    again.LoadProperties();
    EXPECT_EQ(fresh.left, 333);
    EXPECT_FALSE(fresh.showHint);
    EXPECT_FALSE(fresh.soundOff.enabled);
    EXPECT_TRUE(fresh.soundOn.enabled);
    EXPECT_EQ(fresh.placement.left, 5);
    EXPECT_EQ(fresh.placement.showCmd, 0) << "a hidden window keeps SW_HIDE until it is shown";
    EXPECT_EQ(fresh.log, "placement;maximize posted;repaint;");
}

TEST_F(Saver, PlacementShowCommandsAndBadTexts)
{
    const struct {
        const char* show;
        const char* log;
    } cases[] = {{"2", "placement;minimized;repaint;"}, {"6", "placement;minimized;repaint;"},
                 {"7", "placement;minimized;repaint;"}, {"3", "placement;maximize posted;repaint;"},
                 {"1", "placement;normal;repaint;"},    {"9", "placement;normal;repaint;"}};
    for (const auto& c : cases) {
        window.log.clear();
        saver->SetPlacementText(std::string("0,") + c.show + ",-1,-1,-1,-1,1,2,3,4");
        EXPECT_EQ(window.log, c.log) << c.show;
    }
    window.log.clear();
    saver->SetPlacementText("0,1,2");
    saver->SetPlacementText("");
    EXPECT_EQ(window.log, "") << "anything but ten fields is ignored";
    try {
        saver->SetPlacementText("0,1,-1,-1,-1,-1,x,2,3,4");
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
    window.iconic = true;
    EXPECT_EQ(saver->GetPlacementText().substr(0, 4), "0,2,") << "an iconic application saves SW_SHOWMINIMIZED";
}

TEST_F(Saver, DefaultsModesAndDisabledLines)
{
    saver->Properties = {"Left,\"100\",\"PosX\",EPD", "Top,,W", "Top,\"\",\"\",EPW", "ShowHint,\"\",\"\",XPD",
                         "Anchors,\"\",\"\",EPD", "Scale,\"\",\"\",EPR"};
    saver->poStoreFormPlacement = false;
    window.anchors |= 1 << 4; // a bit beyond the set's names
    storage.WriteString("\\Form1.rsPropSaver1\\ShowHint", "True");
    saver->SaveProperties();
    EXPECT_EQ(storage.ReadString("\\Form1.rsPropSaver1\\PosX", ""), "10");
    EXPECT_FALSE(storage.KeyExists("\\Form1.rsPropSaver1\\ShowHint")) << "a disabled line removes its key";
    EXPECT_EQ(storage.ReadString("\\Form1.rsPropSaver1\\Anchors", ""), "[akLeft,akTop]");
    EXPECT_FALSE(storage.KeyExists("\\Form1.rsPropSaver1\\Scale")) << "R lines are not saved";
    EXPECT_FALSE(storage.KeyExists("\\Form1.rsPropSaver1\\FormPlacement"));

    storage.DeleteKey("\\Form1.rsPropSaver1\\PosX");
    storage.WriteString("\\Form1.rsPropSaver1\\Anchors", "[akRight, akBottom,akTop]");
    storage.WriteString("\\Form1.rsPropSaver1\\Scale", "2.5");
    storage.WriteString("\\Form1.rsPropSaver1\\Top", "99");
    saver->LoadProperties();
    EXPECT_EQ(window.left, 100) << "a missing key takes the default text";
    EXPECT_EQ(window.top, 20) << "W lines are not loaded";
    EXPECT_EQ(window.anchors, (1 << 2) | (1 << 1)) << "akRight and akTop; the unknown ' akBottom' is left out";
    EXPECT_DOUBLE_EQ(window.zoom, 2.5);
    storage.WriteString("\\Form1.rsPropSaver1\\Anchors", "[akLeft]");
    saver->LoadProperties();
    EXPECT_EQ(window.anchors, 1) << "the first name is bit 0";

    saver->Properties = {"Left,\"100\",\"\",EPD"};
    window.left = 100;
    saver->SaveProperties();
    EXPECT_EQ(storage.ReadString("\\Form1.rsPropSaver1\\Left", ""), "100") << "by default a value equal to its default is kept";
    saver->poStoreDefValues = false;
    storage.WriteString("\\Form1.rsPropSaver1\\Left", "5");
    saver->SaveProperties();
    EXPECT_FALSE(storage.KeyExists("\\Form1.rsPropSaver1\\Left")) << "a value equal to its default removes the key";
}

TEST_F(Saver, KeyNamesMatchWithoutLatinCaseAndBadValuesRaise)
{
    storage.WriteString("\\Form1.rsPropSaver1\\left", "77");
    storage.WriteString("\\Form1.rsPropSaver1\\WindowState", "wsMINIMIZED");
    saver->poStoreFormPlacement = false;
    saver->LoadProperties();
    EXPECT_EQ(window.left, 77);
    EXPECT_EQ(window.state, 1);
    storage.WriteString("\\Form1.rsPropSaver1\\Top", "высоко");
    try {
        saver->LoadProperties();
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), "'высоко' is not a valid integer value");
    }
}

TEST_F(Saver, TakesOverTheOwnersEventsInOrderAndGivesThemBack)
{
    std::vector<std::string> order;
    window.events[OwnerEvent::Show] = [&] { order.push_back("FormShow"); };
    saver->setWhenLoad(WhenLoad::wlOnShow);
    saver->setWhenSave(WhenSave::wsOnDestroy);
    saver->OnAfterLoad = [&] { order.push_back("loaded"); };
    saver->OnAfterSave = [&] { order.push_back("saved"); };
    window.events[OwnerEvent::Show]();
    window.events[OwnerEvent::Destroy]();
    EXPECT_EQ(order, (std::vector<std::string>{"loaded", "FormShow", "saved"}));
    window.exists = false;
    window.events[OwnerEvent::Destroy]();
    EXPECT_EQ(order.size(), 3u) << "no save once the form's window is gone";
    window.exists = true;

    // A failing load is reported, and the window's own handler still runs.
    order.clear();
    storage.WriteString("\\Form1.rsPropSaver1\\Left", "x");
    window.events[OwnerEvent::Show]();
    EXPECT_EQ(order, (std::vector<std::string>{"loaded", "FormShow"}));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "'x' is not a valid integer value");

    saver->Active = false;
    order.clear();
    window.events[OwnerEvent::Show]();
    EXPECT_EQ(order, std::vector<std::string>{"FormShow"});

    saver.reset();
    order.clear();
    window.events[OwnerEvent::Show]();
    EXPECT_EQ(order, std::vector<std::string>{"FormShow"}) << "the original handler is back";
    EXPECT_FALSE(static_cast<bool>(window.events[OwnerEvent::Destroy]));
}

// Custom properties come from and go to an add-in.
class Zoom : public TrsAddInProperties {
public:
    double value = 1.5;
    std::string lastName;
    void GetValue(TrsPropSaver&, tk::Persistent*, Variant& v, const std::string& name) override
    {
        lastName = name;
        v = Variant::ofDouble(value);
    }
    void SetValue(TrsPropSaver&, tk::Persistent*, const Variant& v, const std::string&) override { value = v.real; }
};

TEST_F(Saver, CustomUserAndAcceptedLines)
{
    Zoom zoom;
    std::map<std::string, Variant> user{{"Player", Variant::ofString("Аня")}};
    saver->CustomProperties = &zoom;
    saver->OnGetUserProperty = [&](const std::string& name, Variant& v) { v = user[name]; };
    saver->OnSetUserProperty = [&](const std::string& name, Variant& v) { user[name] = v; };
    saver->Properties = {"Level,\"\",\"\",ECD", "Player,\"\",\"\",EUD", "Old,\"\",\"\",EVD"};
    saver->poStoreFormPlacement = false;
    storage.WriteString("\\Form1.rsPropSaver1\\Old", "stale");
    saver->SaveProperties();
    EXPECT_EQ(zoom.lastName, "Level") << "the property name reaches the add-in";
    ASSERT_GE(storage.FindKey("\\Form1.rsPropSaver1\\Level", false), 0);
    EXPECT_EQ(storage.value().current()->type, vtFloat);
    EXPECT_EQ(storage.ReadString("\\Form1.rsPropSaver1\\Player", ""), "Аня");
    EXPECT_FALSE(storage.KeyExists("\\Form1.rsPropSaver1\\Old")) << "saving removes a V line's key";

    zoom.value = 0;
    user.clear();
    storage.FindKey("\\Form1.rsPropSaver1\\Level", false);
    storage.value().SetFloat(3.25);
    saver->LoadProperties();
    EXPECT_DOUBLE_EQ(zoom.value, 3.25);
    EXPECT_EQ(user["Player"].text, "Аня");
}

TEST(StorageFileFailure, AFailedWriteStillPutsThePlainValuesBack)
{
    TrsStorage s(537114806);
    struct Failing : TrsStorageData {
        void WriteData() override { throw slovo::Error("Cannot create file C:\\x.bin"); }
    } data;
    s.setStorageData(&data);
    s.addEncryptKey("\\S\\Secret");
    s.WriteString("\\S\\Secret", "plain");
    bool afterSave = false;
    data.OnAfterSave = [&] { afterSave = true; };
    EXPECT_THROW(s.Save(), slovo::Error);
    EXPECT_TRUE(afterSave) << "the back end's after event comes also when writing fails";
    EXPECT_EQ(s.ReadString("\\S\\Secret", ""), "plain");
    s.setStorageData(nullptr);
}

TEST_F(Saver, FindInstanceWalksComponentsAndProperties)
{
    auto at = saver->FindInstance("SoundOFF.Enabled");
    EXPECT_EQ(at.object, &window.soundOff);
    EXPECT_EQ(at.property, "Enabled");
    at = saver->FindInstance("SoundON");
    EXPECT_EQ(at.object, &window.soundOn);
    EXPECT_EQ(at.property, "");
    at = saver->FindInstance("Left");
    EXPECT_EQ(at.object, &window);
    EXPECT_EQ(at.property, "Left");
    EXPECT_EQ(saver->FindInstance("Nothing.Enabled").object, nullptr);
}

} // namespace
} // namespace rs
