#pragma once

#include <QSize>
#include <QWidget>

class PollingCycle;
class Session;

// A child window of the main window. It loads in its constructor and unloads when it closes:
// Form_Unload runs exactly once, however the window goes (its own Close button, the frame's
// close box, or the main window closing).
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
    // contents need and never larger than the area.
    void placeCentredAbove(int twipsAboveCentre);
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

    Session& session_;
    PollingCycle& polling_;

private:
    QSize designedSize_;
    bool unloaded_ = false;
    int twipsAboveCentre_ = -1; // no placement of its own
};
