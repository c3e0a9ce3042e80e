// Property lines, property access by path, and the load and save of the property saver.
#include "settings/core/prop_saver.h"

#include <cstdio>

namespace rs {

namespace {

std::string unquoted(const std::string& s)
{
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

OwnerEvent loadEvent(WhenLoad w)
{
    switch (w) {
    case WhenLoad::wlOnActivate: return OwnerEvent::Activate;
    case WhenLoad::wlOnCreate: return OwnerEvent::Create;
    default: return OwnerEvent::Show;
    }
}

OwnerEvent saveEvent(WhenSave w)
{
    switch (w) {
    case WhenSave::wsOnClose: return OwnerEvent::Close;
    case WhenSave::wsOnDeactivate: return OwnerEvent::Deactivate;
    case WhenSave::wsOnHide: return OwnerEvent::Hide;
    default: return OwnerEvent::Destroy;
    }
}

} // namespace

void TrsProperty::Parse(const std::string& s)
{
    const size_t L = s.size();
    PropPath.clear();
    DefValue.clear();
    KeyName.clear();
    std::string flags;
    std::string b;
    if (L < 3) {
        PropPath = s;
    } else if (L >= 4 && s[L - 4] == ',') {
        flags = s.substr(L - 3);
        b = s.substr(0, L - 4);
    } else if (L >= 5 && s[L - 5] == ',') {
        flags = s.substr(L - 4);
        b = s.substr(0, L - 5);
    } else {
        PropPath = s;
    }
    if (flags.empty()) {
        Enabled = true;
        Source = 'P';
        Mode = 'D';
        Encrypt = false;
        return;
    }
    const size_t c = s.find(',');
    // The key's `","` is looked for after the default's opening quote, so that a default made of
    // a comma ("Sep,",","",EPD") is not taken for the separator.
    const size_t from = c == std::string::npos ? 0 : (c + 1 < s.size() && s[c + 1] == '"' ? c + 2 : c + 1);
    const size_t q = s.find("\",\"", from);
    if (c != std::string::npos && q != std::string::npos && c < q && q + 1 < b.size()) {
        KeyName = unquoted(b.substr(q + 2));
        b.erase(q + 1);
    }
    if (c != std::string::npos && c < b.size()) {
        DefValue = unquoted(b.substr(c + 1));
        b.erase(c);
    }
    PropPath = b;

    Enabled = flags[0] == 'E';
    if (flags[1] == 'P' || flags[1] == 'C' || flags[1] == 'U' || flags[1] == 'V')
        Source = flags[1];
    if (flags[2] == 'D' || flags[2] == 'R' || flags[2] == 'W')
        Mode = flags[2];
    Encrypt = flags.size() == 4 && flags[3] == 'C';
}

TrsPropSaver::TrsPropSaver(SaverOwner& owner, std::function<void(std::exception_ptr)> report)
    : owner_(owner), report_(std::move(report))
{
}

TrsPropSaver::~TrsPropSaver()
{
    setWhenLoad(WhenLoad::wlManual);
    setWhenSave(WhenSave::wsManual);
}

void TrsPropSaver::guarded(void (TrsPropSaver::*run)())
{
    try {
        (this->*run)();
    } catch (...) {
        if (report_)
            report_(std::current_exception());
    }
}

void TrsPropSaver::setWhenLoad(WhenLoad when)
{
    if (!owner_.isForm() && when != WhenLoad::wlManual && when != WhenLoad::wlOnCreate)
        return;
    if (whenLoad_ != WhenLoad::wlManual)
        if (auto* slot = owner_.eventSlot(loadEvent(whenLoad_)))
            *slot = std::move(keptLoad_);
    keptLoad_ = nullptr;
    whenLoad_ = when;
    if (when == WhenLoad::wlManual)
        return;
    if (auto* slot = owner_.eventSlot(loadEvent(when))) {
        keptLoad_ = *slot;
        *slot = [this] {
            if (Active)
                guarded(&TrsPropSaver::LoadProperties);
            if (keptLoad_)
                keptLoad_();
        };
    }
}

void TrsPropSaver::setWhenSave(WhenSave when)
{
    if (!owner_.isForm() && when != WhenSave::wsManual && when != WhenSave::wsOnDestroy)
        return;
    if (whenSave_ != WhenSave::wsManual)
        if (auto* slot = owner_.eventSlot(saveEvent(whenSave_)))
            *slot = std::move(keptSave_);
    keptSave_ = nullptr;
    whenSave_ = when;
    if (when == WhenSave::wsManual)
        return;
    if (auto* slot = owner_.eventSlot(saveEvent(when))) {
        keptSave_ = *slot;
        *slot = [this] {
            if (keptSave_)
                keptSave_();
            if (Active && (!owner_.isForm() || owner_.windowExists()))
                guarded(&TrsPropSaver::SaveProperties);
        };
    }
}

std::string TrsPropSaver::rootPath() const
{
    std::string p = RootSection;
    if (p.empty() || (p.front() != '/' && p.front() != '\\'))
        p.insert(0, "\\");
    if (p.back() != '/' && p.back() != '\\')
        p += '\\';
    return p;
}

void TrsPropSaver::MarkEncrypted(const std::string& keyName)
{
    if (!Storage)
        return;
    const std::string path = rootPath() + keyName;
    if (Storage->hasEncryptKey(path) || Storage->hasEncryptKey(path.substr(1)))
        return;
    Storage->addEncryptKey(path);
}

TrsPropSaver::Instance TrsPropSaver::FindInstance(const std::string& path)
{
    tk::Persistent* current = &owner_.persistent();
    size_t start = 0;
    const size_t firstDot = path.find('.');
    if (firstDot == std::string::npos) {
        if (!current->findProperty(path))
            if (tk::Persistent* component = current->ownedComponent(path))
                return {component, ""};
        return {current, path};
    }
    for (size_t dot = firstDot; dot != std::string::npos; dot = path.find('.', start)) {
        const std::string segment = path.substr(start, dot - start);
        tk::Persistent* next = nullptr;
        tk::PropInfo* prop = current->findProperty(segment);
        if (prop && prop->kind == tk::PropKind::Object && prop->getObject)
            next = prop->getObject();
        else if (current->isComponent())
            next = current->ownedComponent(segment);
        else
            break;
        if (!next)
            return {};
        current = next;
        start = dot + 1;
    }
    return {current, path.substr(start)};
}

bool TrsPropSaver::readProperty(const Instance& at)
{
    // A whole component, streamed in the toolkit's own format, is not kept by this program.
    tk::PropInfo* prop = at.property.empty() ? nullptr : at.object->findProperty(at.property);
    if (!prop)
        return false;
    TrsKeyValueWrapper& w = Storage->value();
    w.setCurrent(&scratch_);
    switch (prop->kind) {
    case tk::PropKind::Integer: w.SetInteger(static_cast<int32_t>(prop->getOrdinal())); return true;
    case tk::PropKind::Enumeration: {
        const int64_t v = prop->getOrdinal();
        w.SetString(v >= 0 && static_cast<size_t>(v) < prop->valueNames.size() ? prop->valueNames[static_cast<size_t>(v)]
                                                                              : std::to_string(v));
        return true;
    }
    case tk::PropKind::Float: w.SetFloat(prop->getFloat()); return true;
    case tk::PropKind::String: w.SetString(prop->getString()); return true;
    case tk::PropKind::Set: {
        const int64_t bits = prop->getOrdinal();
        std::string names;
        for (size_t i = 0; i < prop->valueNames.size() && i < 32; ++i) {
            if (bits & (int64_t{1} << i)) {
                if (!names.empty())
                    names += ',';
                names += prop->valueNames[i];
            }
        }
        w.SetString("[" + names + "]");
        return true;
    }
    case tk::PropKind::Int64: w.SetInt64(prop->getOrdinal()); return true;
    case tk::PropKind::Object: {
        tk::Persistent* object = prop->getObject ? prop->getObject() : nullptr;
        w.SetString(object ? object->componentName() : std::string());
        return true;
    }
    }
    return false;
}

void TrsPropSaver::writeProperty(const Instance& at)
{
    tk::PropInfo* prop = at.property.empty() ? nullptr : at.object->findProperty(at.property);
    if (!prop)
        return;
    TrsKeyValueWrapper& w = Storage->value();
    switch (prop->kind) {
    case tk::PropKind::Integer: prop->setOrdinal(w.AsInteger()); break;
    case tk::PropKind::Enumeration: {
        // A name the type does not know leaves the property as it is.
        const int64_t v = tk::enumValueOf(prop->valueNames, w.AsString());
        if (v >= 0)
            prop->setOrdinal(v);
        break;
    }
    case tk::PropKind::Float: prop->setFloat(w.AsFloat()); break;
    case tk::PropKind::String: prop->setString(w.AsString()); break;
    case tk::PropKind::Set: {
        if (w.current()->type == vtInteger) {
            prop->setOrdinal(static_cast<uint32_t>(w.AsInteger()));
            break;
        }
        std::string text = w.AsString();
        if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
            text = text.substr(1, text.size() - 2);
        int64_t bits = 0;
        size_t start = 0;
        while (start <= text.size() && !text.empty()) {
            const size_t comma = text.find(',', start);
            const std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            const int64_t v = tk::enumValueOf(prop->valueNames, name);
            if (v >= 0)
                bits |= int64_t{1} << (v % 32);
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        prop->setOrdinal(bits);
        break;
    }
    case tk::PropKind::Int64: prop->setOrdinal(w.AsInt64()); break;
    case tk::PropKind::Object: {
        const std::string name = w.AsString();
        const size_t dot = name.find('.');
        tk::Persistent* found = dot == std::string::npos ? owner_.persistent().ownedComponent(name) : nullptr;
        if (found && prop->setString)
            prop->setString(name);
        break;
    }
    }
}

void TrsPropSaver::bracketed(bool& flag, const std::function<void()>& before, const std::function<void()>& after,
                             void (TrsPropSaver::*lines)())
{
    flag = true;
    if (before)
        before();
    // The after event comes also when a line fails; without a storage only the events are raised.
    try {
        if (Storage) {
            Storage->setRootSection(RootSection);
            (this->*lines)();
        }
    } catch (...) {
        if (after)
            after();
        flag = false;
        throw;
    }
    if (after)
        after();
    flag = false;
}

void TrsPropSaver::SaveProperties()
{
    bracketed(saving_, OnBeforeSave, OnAfterSave, &TrsPropSaver::saveLines);
}

void TrsPropSaver::LoadProperties()
{
    bracketed(loading_, OnBeforeLoad, OnAfterLoad, &TrsPropSaver::loadLines);
}

void TrsPropSaver::saveLines()
{
    for (const std::string& text : Properties) {
        line_.Parse(text);
        if (line_.Mode == 'R')
            continue;
        bool has = false;
        if (line_.Enabled) {
            switch (line_.Source) {
            case 'P': {
                const Instance at = FindInstance(line_.PropPath);
                bool allow = true;
                if (at.object && OnGetProperty) {
                    Variant unused;
                    OnGetProperty(at.object, at.property, unused, allow);
                }
                has = at.object && allow && readProperty(at);
                break;
            }
            case 'C':
                if (CustomProperties) {
                    const Instance at = FindInstance(line_.PropPath);
                    Variant v;
                    CustomProperties->GetValue(*this, at.object, v, at.property);
                    has = v.kind != Variant::Kind::Unassigned;
                    if (has) {
                        Storage->value().setCurrent(&scratch_);
                        Storage->value().SetVariant(v);
                    }
                }
                break;
            case 'U':
                if (OnGetUserProperty) {
                    Variant v;
                    OnGetUserProperty(line_.StoredName(), v);
                    Storage->value().setCurrent(&scratch_);
                    Storage->value().SetVariant(v);
                    has = true;
                }
                break;
            default: break;
            }
        }
        if (has && !poStoreDefValues) {
            Storage->value().setCurrent(&scratch_);
            if (Storage->value().AsString() == line_.DefValue)
                has = false;
        }
        if (has) {
            if (Storage->FindKey(line_.StoredName(), true) >= 0)
                *Storage->value().current() = scratch_;
            if (line_.Encrypt)
                MarkEncrypted(line_.StoredName());
        } else {
            Storage->DeleteKey(line_.StoredName());
        }
    }
    if (poStoreFormPlacement) {
        Storage->WriteString("FormPlacement", GetPlacementText());
        if (poEncryptFormPlacement)
            MarkEncrypted("FormPlacement");
    }
}

void TrsPropSaver::loadLines()
{
    for (const std::string& text : Properties) {
        line_.Parse(text);
        if (!line_.Enabled || line_.Mode == 'W')
            continue;
        if (Storage->FindKey(line_.StoredName(), false) < 0) {
            if (line_.DefValue.empty())
                continue;
            Storage->value().setCurrent(&scratch_);
            Storage->value().SetString(line_.DefValue);
        }
        switch (line_.Source) {
        case 'P': {
            const Instance at = FindInstance(line_.PropPath);
            if (!at.object)
                break;
            bool allow = true;
            if (OnSetProperty) {
                Variant v = Storage->value().AsVariant();
                OnSetProperty(at.object, at.property, v, allow);
            }
            if (allow)
                writeProperty(at);
            break;
        }
        case 'C':
            if (CustomProperties) {
                const Instance at = FindInstance(line_.PropPath);
                CustomProperties->SetValue(*this, at.object, Storage->value().AsVariant(), at.property);
            }
            break;
        case 'U':
            if (OnSetUserProperty) {
                Variant v = Storage->value().AsVariant();
                OnSetUserProperty(line_.StoredName(), v);
            }
            break;
        default: break;
        }
    }
    if (poStoreFormPlacement && Storage->KeyExists("FormPlacement")) {
        if (poEncryptFormPlacement)
            Storage->DecryptKey(rootPath() + "FormPlacement");
        SetPlacementText(Storage->ReadString("FormPlacement", ""));
    }
}

std::string TrsPropSaver::GetPlacementText()
{
    if (!owner_.isForm())
        return {};
    WindowPlacementRecord p = owner_.getPlacement();
    if (owner_.applicationIconic())
        p.showCmd = 2;
    char buf[160];
    std::snprintf(buf, sizeof buf, "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, p.showCmd, p.minX, p.minY, p.maxX, p.maxY,
                  p.left, p.top, p.right, p.bottom);
    return buf;
}

void TrsPropSaver::SetPlacementText(const std::string& text)
{
    if (!owner_.isForm())
        return;
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (fields.size() != 10)
        return;
    WindowPlacementRecord p = owner_.getPlacement();
    if (!owner_.isVisible())
        p.showCmd = 0;
    const auto field = [&](size_t i) { return static_cast<int32_t>(parseInteger(fields[i], false)); };
    p.flags = field(0);
    p.minX = field(2);
    p.minY = field(3);
    p.maxX = field(4);
    p.maxY = field(5);
    p.left = field(6);
    p.top = field(7);
    p.right = field(8);
    p.bottom = field(9);
    owner_.setPlacement(p);
    const int32_t show = field(1);
    if (show == 2 || show == 6 || show == 7)
        owner_.setWindowState(1);
    else if (show == 3)
        owner_.postMaximize();
    else
        owner_.setWindowState(0);
    owner_.updateAndRepaint();
}

} // namespace rs
