#pragma once

#include "board/Startup.h"

#include <QLabel>
#include <QWidget>

// The splash window shown while the program connects to the board.
class frmSplash final : public QWidget, public SplashView {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    int progressDesignWidth() const override;
    void setProgressVisible() override;
    void setProgressWidth(float twips) override;
    void setProgInfo(const QString& text) override;
    void processEvents() override;
    void setBoardText(const QString& text) override;

    QLabel* lblProductName{};
    QLabel* lblVersion{};
    QLabel* lblPlatform{};
    QLabel* lblProgInfo{};
    QLabel* lblProgress{};
    QLabel* lblBoard{}; // the board in use, so a simulated one is never taken for the real one

    static constexpr int ProgressDesignWidthTwips = 6000;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* progressTrack_{};
};

// "Version 1.0.0"
QString VersionText();
// The platform the program runs on, as shown on the splash window.
QString PlatformText();
