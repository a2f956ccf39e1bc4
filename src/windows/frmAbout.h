#pragma once

#include "windows/ChildWindow.h"
#include "windows/widgets/ClickableLabel.h"

#include <QLabel>
#include <QPushButton>
#include <QString>

// The maker's pages the about window opens, in the order it shows their links.
namespace MakerPages {
inline const QString Product = QStringLiteral("https://www.heldrix.com/products/vortane");
inline const QString Sensors = QStringLiteral("https://www.heldrix.com/products/temperature-sensors");
inline const QString Home = QStringLiteral("https://www.heldrix.com/");
} // namespace MakerPages

// The about window: the program's name and version, and links to the maker's pages.
class frmAbout final : public ChildWindow {
    Q_OBJECT
public:
    frmAbout(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    QLabel* Label1{};
    QLabel* lblBoard{}; // the board the program talks to
    QLabel* Label3{};
    ClickableLabel* lblDeviceInfo{};
    QLabel* Label4{};
    ClickableLabel* lblSensorInfo{};
    QLabel* Label5{};
    ClickableLabel* Label6{};
    QPushButton* cmdOK{};

private:
    void openPage(ClickableLabel* link, const QString& address);
};
