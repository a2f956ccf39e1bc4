#pragma once

#include "windows/ChildWindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <array>

class ClickableLabel;
struct RegisterView;

// The register map: browse every chip register in a tree, see one register's address, value and
// bits, flip single bits, write a whole value, and have the display re-read once a second.
class frmRegMap final : public ChildWindow {
    Q_OBJECT
public:
    frmRegMap(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void BuildRegisterTree();
    void ArrangeBitLabels();
    void ShowRegister(int index);
    void ShowBits(int value);
    void cmdRead_Click();
    void cmdWrite_Click();

    QGroupBox* Frame1{};
    QTreeWidget* TreeView1{};
    QGroupBox* Frame6{};
    QLineEdit* txtReadAddr{};
    QLabel* Label11{};
    QPushButton* cmdRead{};
    QCheckBox* chkContRead{};
    QLineEdit* txtDec{};
    QLabel* Label6{};
    QLineEdit* txtHex{};
    QLabel* Label5{};
    QPushButton* cmdWrite{};
    QGroupBox* Frame3{};
    QLabel* lblRegDescription{};
    QLabel* Label7{};
    QLabel* lblCurrentAddr{};
    QLabel* Label8{};
    QLabel* lblDecVal{};
    QLabel* Label10{};
    QLabel* lblHexVal{};
    QLabel* Label9{};
    QGroupBox* fraBits{};
    static constexpr std::size_t BitCount = 8; // a register's bits: their values and their names
    std::array<ClickableLabel*, BitCount> lblBit{};
    std::array<QLabel*, BitCount> lblInfo{};

protected:
    void Form_Unload() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void setKeyboardOrder();
    void showView(const RegisterView& view);
    void TreeView1_NodeClick(QTreeWidgetItem* node);
    void lblBit_Click(std::size_t index);
    void txtReadAddr_Change();
    void txtDec_Change();
    void txtHex_Change();

    bool mirroring_ = false; // the value boxes are updating each other
    QString shownAddress_;   // the register whose bits are displayed ("40h"), empty before any read
    bool treeMouseDown_ = false;
};
