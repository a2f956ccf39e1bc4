#include "windows/frmInfo.h"

#include "evalboard/EvalBoard.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "windows/Named.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <tuple>
#include <utility>

namespace {
QString yesNo(bool yes) {
    return yes ? QStringLiteral("Yes") : QStringLiteral("No");
}
} // namespace

frmInfo::frmInfo(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("Evaluation Board"));
    buildControls();
    Form_Load();
}

void frmInfo::buildControls() {
    Frame1 = Named(new QGroupBox(QStringLiteral("Eval Board  Details")), "Frame1");
    auto* grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(16);
    grid->setColumnStretch(1, 1);
    int row = 0;
    const auto pair = [&](const QString& captionName, const QString& caption, const QString& valueName) {
        auto* title = Named(new QLabel(caption, Frame1), captionName);
        auto* value = Named(new QLabel(Frame1), valueName);
        grid->addWidget(title, row, 0);
        grid->addWidget(value, row++, 1);
        return std::pair{title, value};
    };
    std::tie(Label1, lblRevision) = pair("Label1", QStringLiteral("Board  Revision"), "lblRevision");
    std::tie(Label3, lbl5V) = pair("Label3", QStringLiteral("5V Present"), "lbl5V");
    std::tie(Label2, lbl12V) = pair("Label2", QStringLiteral("12V Present"), "lbl12V");
    std::tie(Label4[0], lblSMBusAddress) =
        pair(Indexed("Label4", 0), QStringLiteral("Device Address"), "lblSMBusAddress");
    for (std::size_t i = 0; i < lblFanPresent.size(); ++i)
        std::tie(Label4[i + 1], lblFanPresent[i]) =
            pair(Indexed("Label4", i + 1), QStringLiteral("Fan%1 Present").arg(i + 1),
                 Indexed("lblFanPresent", i));

    cmdFreeWheel = Named(new QPushButton(QStringLiteral("Free Wheel Test")), "cmdFreeWheel");
    // Wide enough for "Checking..." too, so the button does not change size while it counts.
    cmdFreeWheel->setMinimumWidth(
        cmdFreeWheel->fontMetrics().horizontalAdvance(QStringLiteral("Free Wheel Test...")) + 24);
    cmdClose = Named(new QPushButton(QStringLiteral("Close")), "cmdClose");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdFreeWheel);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* top = new QVBoxLayout(this);
    top->addWidget(Frame1);
    top->addStretch(1);
    top->addLayout(buttons);

    connect(cmdFreeWheel, &QPushButton::clicked, this, &frmInfo::cmdFreeWheel_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmInfo::cmdClose_Click);
}

void frmInfo::Form_Load() {
    setDesignedSize(3855, 5790);
    // A window opened while a test started earlier still runs shows what the chip holds now; the
    // poll goes on counting on the designed caption and brings the new fans when the test ends.
    BoardDetails details;
    if (!ReadBoardDetails(session_, details)) return; // the program is ending
    if (details.status) {
        lblRevision->setText(details.status->revision);
        // A bare chip on an SMBus adapter has no board to report its supplies: "Unknown".
        lbl12V->setText(SupplyText(*details.status, details.status->supply12V));
        lbl5V->setText(SupplyText(*details.status, details.status->supply5V));
    }
    lblSMBusAddress->setText(details.address);
    if (details.fansPresent) showFans(*details.fansPresent);
    pollWith(PollTask::BoardInfo, &Declarations::BoardInfoOpen, [this] { PollFreeWheel(); });
}

void frmInfo::showFans(const std::array<bool, 4>& present) {
    for (std::size_t i = 0; i < present.size(); ++i)
        lblFanPresent[i]->setText(yesNo(present[i]));
}

void frmInfo::showChecking() {
    checkingPolls_ = 0;
    checkingBase_ = QStringLiteral("Checking");
    cmdFreeWheel->setText(checkingBase_);
    for (QLabel* l : lblFanPresent)
        l->clear();
}

void frmInfo::cmdFreeWheel_Click() {
    if (!StartWatchedFreeWheelTest(session_)) return; // the program is ending
    showChecking();
}

void frmInfo::PollFreeWheel() {
    std::array<bool, 4> present{};
    switch (PollFreeWheelTest(session_, present)) {
    case FreeWheelState::Running:
        cmdFreeWheel->setText(CheckingCaption(checkingBase_, ++checkingPolls_));
        break;
    case FreeWheelState::Finished: // the count starts again with the next test
        checkingBase_ = QStringLiteral("Free Wheel Test");
        cmdFreeWheel->setText(checkingBase_);
        showFans(present);
        break;
    case FreeWheelState::LinkFailed:
        break;
    }
}

void frmInfo::cmdClose_Click() {
    unloadWindow();
}
