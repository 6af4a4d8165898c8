#pragma once

#include <functional>
#include <string>

#include <QWidget>

namespace veltrano {

struct AppContext;
class DeviceService;
class PianoKeyboard;
class Reporter;

// The main window's on-screen keyboard as the pages use it.
class KeyboardHost {
public:
    virtual ~KeyboardHost() = default;
    // The keyboard toggle; off releases every key.
    virtual void SetKeyboardOn(bool on) = 0;
    // The keys: held keys, latch, keys shown and marked by a page.
    [[nodiscard]] virtual PianoKeyboard& Keys() = 0;
};

// What the main window gives every tool page.
struct PageServices {
    AppContext& app;
    DeviceService& devices;
    Reporter& reporter;
    KeyboardHost& keyboard;
};

// One of the five pages of the main window. The window tells it when the language changed,
// when it is shown and hidden, when the device changed and when an exchange with the
// instrument begins or ends, and asks it before it is left. A page is a thin widget over a
// presenter or document of its subsystem's core: the rules live there.
class ToolPage : public QWidget {
    Q_OBJECT

public:
    ToolPage(const PageServices& services, QWidget* parent = nullptr);

    // Every text of the page from the active language.
    virtual void ApplyTexts() = 0;
    // The page became the visible one.
    virtual void PageShown() {}
    // The page is no longer the visible one (another page, or the window closing).
    virtual void PageHidden() {}
    // Whether the page may be left now. A page with unsaved work asks the user and may say
    // no; a page whose work is running says no.
    [[nodiscard]] virtual bool MayLeave() { return true; }
    // Whether the window may close now. An editor that lives for the whole run loses nothing
    // when left, but its unsaved work when the window closes: it asks here.
    [[nodiscard]] virtual bool MayClose() { return MayLeave(); }
    // The device's catalogues and profile were read again (a connect, a refresh): show what
    // depends on them again.
    virtual void RefreshForDevice() {}
    // Another device became the current one ("Default.prf" and catalogues with it): editors
    // load what belongs to it.
    virtual void DeviceSwitched() {}
    // An exchange with the instrument began (true) or ended: commands that would start one
    // are disabled meanwhile.
    virtual void BusyChanged(bool busy) { (void)busy; }

protected:
    [[nodiscard]] AppContext& App() const { return services_.app; }
    [[nodiscard]] DeviceService& Devices() const { return services_.devices; }
    [[nodiscard]] Reporter& Messages() const { return services_.reporter; }
    [[nodiscard]] KeyboardHost& Keyboard() const { return services_.keyboard; }
    // Before unsaved edits of `name` would be dropped: "Save the changes to …?" Yes / No /
    // Cancel. True when the caller may go on: No, or Yes and `save` succeeded.
    [[nodiscard]] bool AskToSaveChanges(const std::string& name,
                                        const std::function<bool()>& save) const;

private:
    PageServices services_;
};

}  // namespace veltrano
