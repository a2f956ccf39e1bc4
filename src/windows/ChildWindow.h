#pragma once

#include "board/Declarations.h"
#include "monitoring/PollingCycle.h"

#include <QSize>
#include <QWidget>

#include <functional>
#include <optional>

class QPushButton;
class Session;

// A child window of the main window. It loads in its constructor and unloads when it closes:
// Form_Unload runs exactly once, however the window goes (its own Close button, the frame's
// close box, or the main window closing).
//
// The keys its controls leave work as in a dialog, by the buttons' names: Enter presses the
// focused push button, else "cmdOK"; Escape presses "cmdCancel", else "cmdClose", else the
// "cmdOK" of a window that has no "cmdApply" (an OK that only closes).
class ChildWindow : public QWidget {
    Q_OBJECT
public:
    ChildWindow(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    // The size the window is designed at, in pixels (from twips).
    QSize designedSize() const { return designedSize_; }
    // Closes the window, and its frame in the main window's client area.
    void unloadWindow();

protected:
    virtual void Form_Unload() {}
    void setDesignedSize(int widthTwips, int heightTwips);
    // Places the window, when it is first shown, centred across the main window's client area
    // and the given twips above its centre; never above or left of the area, never smaller than its
    // contents need, and otherwise never larger than the area.
    void placeCentredAbove(int twipsAboveCentre);
    // The last step of loading a window the polling cycle refreshes: sets its open flag in the
    // shared state (the cycle's condition for the task) and hands the cycle its refresh. Both are
    // undone before Form_Unload runs, however the window goes.
    void pollWith(PollTask task, bool Declarations::*openFlag, std::function<void()> refresh);
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    Session& session_;
    PollingCycle& polling_;

private:
    struct Polled {
        PollTask task{};
        bool Declarations::*openFlag{};
    };
    void stopPolling();
    QPushButton* button(const char* name) const;
    QPushButton* buttonFor(const QKeyEvent& event) const;

    QSize designedSize_;
    std::optional<Polled> polled_;
    bool unloaded_ = false;
    std::optional<int> twipsAboveCentre_; // none: no placement of its own
};
