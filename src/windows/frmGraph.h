#pragma once

#include "monitoring/GraphHistory.h"
#include "monitoring/Graphs.h"
#include "windows/ChildWindow.h"
#include "windows/widgets/StripChart.h"
#include "windows/widgets/UpDown.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedLayout>

#include <array>
#include <cstdint>

// Graphing: temperatures, fan speeds and duty cycles of the four channels on strip charts, one
// graph type shown at a time. The polling cycle appends the latest readings every GraphInterval;
// all five charts draw from one history, so a chart switched to shows its whole span.
class frmGraph final : public ChildWindow {
    Q_OBJECT
public:
    frmGraph(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void cmbGraph_Click();
    void ShowGraph(int j);
    void txtUpdate_Change();
    void UpdateGraphs();
    void cmbHistory_Click();
    void cmdPause_Click();
    void cmdSavePicture_Click();
    void cmdSaveData_Click();

    StripChart* shownChart() const;
    const GraphHistory& history() const { return history_; }

    QLabel* Label1{};
    QComboBox* cmbGraph{};
    QLabel* Label2{};
    QLineEdit* txtUpdate{};
    UpDown* UpDown1{};
    std::array<StripChart*, GraphTypeCount> stpGraph{};
    QLabel* Label3{};
    QComboBox* cmbHistory{};
    QPushButton* cmdPause{};
    QPushButton* cmdSavePicture{};
    QPushButton* cmdSaveData{};
    QLabel* lblCursors{};

private:
    void buildControls();
    void Form_Load();
    // The file the user chose, with `suffix` added when it has none; empty when cancelled.
    QString chooseFile(const QString& filter, const QString& suffix);
    void reportWriteFailure(const QString& fileName);
    void showCursors();

    GraphHistory history_;
    GraphClock clock_;
    QStackedLayout* charts_ = nullptr;
};
