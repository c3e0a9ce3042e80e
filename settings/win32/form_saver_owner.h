// The property saver's view of a toolkit form: its properties, events and window placement.
#pragma once

#include "settings/core/prop_saver.h"
#include "settings/core/storage_data.h"
#include "toolkit/form.h"

namespace rs {

class FormSaverOwner : public SaverOwner {
public:
    explicit FormSaverOwner(tk::Form& form) : form_(form) {}

    bool isForm() const override { return true; }
    bool windowExists() const override;
    tk::Persistent& persistent() override { return form_; }
    std::function<void()>* eventSlot(OwnerEvent event) override;
    WindowPlacementRecord getPlacement() override;
    void setPlacement(const WindowPlacementRecord& placement) override;
    bool isVisible() override;
    bool applicationIconic() override;
    void setWindowState(int state) override;
    void postMaximize() override;
    void updateAndRepaint() override;

private:
    tk::Form& form_;
};

// Where the platform keeps things, and the locale's number and date formats. The user profile's
// folder is asked only for a file kept there: asking loads the shell's library.
PlatformDirs platformDirs(FileDir used);
FormatSettings localeFormatSettings();

} // namespace rs
