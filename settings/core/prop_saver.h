// TrsPropSaver: keeps chosen properties of its owner window, and the window's placement, in the
// settings storage; loads and saves at the owner events it takes over.
#pragma once

#include "settings/core/storage.h"
#include "toolkit/core/properties.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace rs {

// One property line: path, "default", "key", flags.
struct TrsProperty {
    std::string PropPath, DefValue, KeyName;
    bool Enabled = true;
    char Source = 'P'; // P, C, U, V
    char Mode = 'D';   // D, R, W
    bool Encrypt = false;

    // Fields a line does not set keep what the previous line gave them (the object is reused).
    void Parse(const std::string& line);
    const std::string& StoredName() const { return KeyName.empty() ? PropPath : KeyName; }
};

struct WindowPlacementRecord {
    int32_t flags = 0, showCmd = 0, minX = 0, minY = 0, maxX = 0, maxY = 0, left = 0, top = 0, right = 0, bottom = 0;
};

enum class OwnerEvent { Activate, Create, Show, Close, Deactivate, Destroy, Hide };
enum class WhenLoad { wlManual, wlOnActivate, wlOnCreate, wlOnShow };
enum class WhenSave { wsManual, wsOnClose, wsOnDeactivate, wsOnDestroy, wsOnHide };

// What the saver needs of its owner: a form (with placement and events) or a data module.
class SaverOwner {
public:
    virtual ~SaverOwner() = default;
    virtual bool isForm() const = 0;
    virtual bool windowExists() const = 0;
    virtual tk::Persistent& persistent() = 0;
    virtual std::function<void()>* eventSlot(OwnerEvent event) = 0; // nullptr when it has no such event
    virtual WindowPlacementRecord getPlacement() = 0;
    virtual void setPlacement(const WindowPlacementRecord& placement) = 0;
    virtual bool isVisible() = 0;
    // The main window of an application whose application window is iconic.
    virtual bool applicationIconic() = 0;
    virtual void setWindowState(int state) = 0; // 0 normal, 1 minimized
    virtual void postMaximize() = 0;
    virtual void updateAndRepaint() = 0;
};

// Custom properties (source letter C).
class TrsAddInProperties {
public:
    virtual ~TrsAddInProperties() = default;
    virtual void GetValue(class TrsPropSaver& saver, tk::Persistent* instance, Variant& value, const std::string& name)
    {
        (void)saver, (void)instance, (void)name;
        value = Variant::unassigned();
    }
    virtual void SetValue(TrsPropSaver& saver, tk::Persistent* instance, const Variant& value, const std::string& name)
    {
        (void)saver, (void)instance, (void)value, (void)name;
    }
};

class TrsPropSaver {
public:
    // report receives exceptions of loads and saves started by owner events.
    TrsPropSaver(SaverOwner& owner, std::function<void(std::exception_ptr)> report);
    ~TrsPropSaver();
    TrsPropSaver(const TrsPropSaver&) = delete;
    TrsPropSaver& operator=(const TrsPropSaver&) = delete;

    bool Active = true;
    TrsStorage* Storage = nullptr;
    TrsAddInProperties* CustomProperties = nullptr;
    std::string RootSection;
    std::vector<std::string> Properties;
    bool poStoreFormPlacement = true, poStoreDefValues = true, poEncryptFormPlacement = false;

    std::function<void()> OnBeforeLoad, OnAfterLoad, OnBeforeSave, OnAfterSave;
    std::function<void(tk::Persistent* instance, const std::string& name, Variant& value, bool& allow)> OnGetProperty, OnSetProperty;
    std::function<void(const std::string& name, Variant& value)> OnGetUserProperty, OnSetUserProperty;

    void setWhenLoad(WhenLoad when);
    void setWhenSave(WhenSave when);
    WhenLoad whenLoad() const { return whenLoad_; }
    WhenSave whenSave() const { return whenSave_; }

    void LoadProperties();
    void SaveProperties();
    bool loading() const { return loading_; }
    bool saving() const { return saving_; }
    void MarkEncrypted(const std::string& keyName);
    std::string rootPath() const;

    std::string GetPlacementText();
    void SetPlacementText(const std::string& text);

    // FindInstance: the object a path leads to and the rest of the path.
    struct Instance {
        tk::Persistent* object = nullptr;
        std::string property;
    };
    Instance FindInstance(const std::string& path);

private:
    bool readProperty(const Instance& at);
    void writeProperty(const Instance& at);
    void guarded(void (TrsPropSaver::*run)());
    void bracketed(bool& flag, const std::function<void()>& before, const std::function<void()>& after,
                   void (TrsPropSaver::*lines)());
    void saveLines();
    void loadLines();

    SaverOwner& owner_;
    std::function<void(std::exception_ptr)> report_;
    WhenLoad whenLoad_ = WhenLoad::wlManual;
    WhenSave whenSave_ = WhenSave::wsManual;
    std::function<void()> keptLoad_, keptSave_;
    bool loading_ = false, saving_ = false;
    TrsProperty line_;
    StorageValue scratch_;
};

} // namespace rs
