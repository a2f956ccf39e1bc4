#include "windows/frmRegMap.h"

#include "base/NumberText.h"
#include "monitoring/PollingCycle.h"
#include "registers/RegMapStuff.h"
#include "registers/RegisterView.h"
#include "session/Session.h"
#include "windows/Named.h"
#include "windows/Twips.h"
#include "windows/widgets/ClickableLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

namespace {

const QColor RootColour(0, 128, 0);
const QColor GroupColour(192, 0, 0);
const QColor RegisterColour(0, 0, 192);

constexpr int IndentationTwips = 200;
constexpr int BitTopGap = 2; // pixels between the bit names and the bits

// The widest text any register's bits can be named with, so each name fits its own label.
int widestBitName(const QFontMetrics& metrics) {
    int widest = metrics.horizontalAdvance(QStringLiteral("X"));
    for (const RegisterEntry& entry : BuildRegisterTable())
        for (const QString& name : SplitBitNames(entry))
            widest = std::max(widest, metrics.horizontalAdvance(name));
    return widest;
}

int widestDescription(const QFontMetrics& metrics) {
    int widest = metrics.horizontalAdvance(QStringLiteral("Unknown"));
    for (const RegisterEntry& entry : BuildRegisterTable())
        widest = std::max(widest, metrics.horizontalAdvance(RegisterDescription(entry)));
    return widest;
}

} // namespace

frmRegMap::frmRegMap(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmRegMap"));
    setWindowTitle(QStringLiteral("Register Map"));
    buildControls();
    setKeyboardOrder();
    setDesignedSize(8430, 6255);
    BuildRegisterTree();
    ArrangeBitLabels();
    if (QTreeWidgetItem* general = TreeView1->topLevelItem(0)) general->setExpanded(true);

    polling_.setContinuousReadTicked([this] { return chkContRead->isChecked(); });
    pollWith(PollTask::RegisterMap, &Declarations::RegisterMapOpen, [this] { cmdRead_Click(); });
}

void frmRegMap::buildControls() {
    Frame1 = Named(new QGroupBox(QStringLiteral("Register Map")), "Frame1");
    TreeView1 = Named(new QTreeWidget, "TreeView1");
    TreeView1->setHeaderHidden(true);
    // Long register names scroll sideways rather than being cut short.
    TreeView1->header()->setStretchLastSection(false);
    TreeView1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    TreeView1->setAccessibleName(Frame1->title());
    TreeView1->viewport()->installEventFilter(this);
    auto* treeLayout = new QVBoxLayout(Frame1);
    treeLayout->setContentsMargins(6, 6, 6, 6);
    treeLayout->addWidget(TreeView1);

    Frame6 = Named(new QGroupBox(QStringLiteral("Read/Write")), "Frame6");
    txtReadAddr = Named(new QLineEdit, "txtReadAddr");
    Label11 = LabelFor(txtReadAddr, "Label11", QStringLiteral("Address"));
    cmdRead = Named(new QPushButton(QStringLiteral("Read")), "cmdRead");
    chkContRead = Named(new QCheckBox(QStringLiteral("Continuous Read")), "chkContRead");
    txtDec = Named(new QLineEdit, "txtDec");
    Label6 = LabelFor(txtDec, "Label6", QStringLiteral("Value(Dec)"));
    txtHex = Named(new QLineEdit, "txtHex");
    Label5 = LabelFor(txtHex, "Label5", QStringLiteral("Value(Hex)"));
    cmdWrite = Named(new QPushButton(QStringLiteral("Write")), "cmdWrite");
    // Wide enough for any 32-bit number; the rest of the width goes to the tree.
    for (QLineEdit* box : {txtReadAddr, txtDec, txtHex}) {
        const int digits = QFontMetrics(box->font()).horizontalAdvance(QStringLiteral("00000000000"));
        box->setMinimumWidth(digits);
        box->setMaximumWidth(digits + 8);
    }
    auto* rw = new QGridLayout(Frame6);
    rw->addWidget(Label11, 0, 0);
    rw->addWidget(txtReadAddr, 0, 1);
    rw->addWidget(cmdRead, 0, 2);
    rw->addWidget(chkContRead, 1, 1, 1, 2);
    rw->addWidget(Label6, 2, 0);
    rw->addWidget(txtDec, 2, 1);
    rw->addWidget(Label5, 3, 0);
    rw->addWidget(txtHex, 3, 1);
    rw->addWidget(cmdWrite, 3, 2);
    rw->setColumnStretch(1, 1);

    Frame3 = Named(new QGroupBox(QStringLiteral("Register Details")), "Frame3");
    lblRegDescription = Named(new QLabel(QStringLiteral("Description")), "lblRegDescription");
    lblRegDescription->setMinimumWidth(widestDescription(lblRegDescription->fontMetrics()) + 4);
    Label7 = Named(new QLabel(QStringLiteral("Register")), "Label7");
    lblCurrentAddr = Named(new QLabel(QStringLiteral("Address")), "lblCurrentAddr");
    Label8 = Named(new QLabel(QStringLiteral("Address")), "Label8");
    lblDecVal = Named(new QLabel(QStringLiteral("DecVal")), "lblDecVal");
    Label10 = Named(new QLabel(QStringLiteral("Current Value (Dec)")), "Label10");
    lblHexVal = Named(new QLabel(QStringLiteral("HexVal")), "lblHexVal");
    Label9 = Named(new QLabel(QStringLiteral("Current Value (Hex)")), "Label9");
    // The shown values are read out together with the caption that names them.
    const std::pair<QLabel*, QLabel*> shown[] = {
        {Label7, lblRegDescription}, {Label8, lblCurrentAddr}, {Label10, lblDecVal}, {Label9, lblHexVal}};
    for (const auto& [name, value] : shown) {
        value->setAccessibleDescription(name->text());
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    fraBits = Named(new QGroupBox(QStringLiteral("Bit Display")), "fraBits");
    fraBits->installEventFilter(this);
    const int infoWidth = widestBitName(fraBits->fontMetrics()) + 6;
    for (std::size_t i = 0; i < lblBit.size(); ++i) {
        auto* bit = Named(new ClickableLabel(fraBits), Indexed("lblBit", i));
        bit->setText(QStringLiteral("0"));
        bit->setOnOffText(true);
        bit->setAccessibleName(QStringLiteral("Bit %1").arg(i));
        connect(bit, &ClickableLabel::clicked, this, [this, i] { lblBit_Click(i); });
        lblBit[i] = bit;

        auto* info = Named(new QLabel(QStringLiteral("X"), fraBits), Indexed("lblInfo", i));
        info->setAlignment(Qt::AlignCenter);
        info->resize(infoWidth, info->fontMetrics().height() + 2);
        lblInfo[i] = info;
    }

    auto* details = new QGridLayout(Frame3);
    details->addWidget(Label7, 0, 0);
    details->addWidget(lblRegDescription, 0, 1);
    details->addWidget(Label8, 1, 0);
    details->addWidget(lblCurrentAddr, 1, 1);
    details->addWidget(Label10, 0, 2);
    details->addWidget(lblDecVal, 0, 3);
    details->addWidget(Label9, 1, 2);
    details->addWidget(lblHexVal, 1, 3);
    details->addWidget(fraBits, 2, 0, 1, 4);
    details->setColumnStretch(1, 2);
    details->setColumnStretch(3, 1);

    // The bit display runs the full width so that every bit name has room over its bit.
    auto* top = new QHBoxLayout;
    top->addWidget(Frame1, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(Frame6);
    right->addStretch(1);
    top->addLayout(right, 0);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top, 1);
    main->addWidget(Frame3, 0);

    connect(TreeView1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { TreeView1_NodeClick(item); });
    // Arrow keys move the current node; that selects a register as a click does. A mouse press
    // also moves it, but the click that follows is what acts then.
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!treeMouseDown_) TreeView1_NodeClick(item);
    });
    connect(cmdRead, &QPushButton::clicked, this, &frmRegMap::cmdRead_Click);
    connect(cmdWrite, &QPushButton::clicked, this, &frmRegMap::cmdWrite_Click);
    connect(txtDec, &QLineEdit::returnPressed, this, &frmRegMap::cmdWrite_Click);
    connect(txtHex, &QLineEdit::returnPressed, this, &frmRegMap::cmdWrite_Click);
    connect(txtReadAddr, &QLineEdit::textChanged, this, &frmRegMap::txtReadAddr_Change);
    connect(txtDec, &QLineEdit::textChanged, this, &frmRegMap::txtDec_Change);
    connect(txtHex, &QLineEdit::textChanged, this, &frmRegMap::txtHex_Change);
}

void frmRegMap::setKeyboardOrder() {
    // Then the bits from left to right, bit 7 first.
    QList<QWidget*> order{TreeView1, txtReadAddr, cmdRead, chkContRead, txtDec, txtHex, cmdWrite};
    for (auto bit = lblBit.rbegin(); bit != lblBit.rend(); ++bit)
        order.append(*bit);
    SetTabOrder(order);
}

void frmRegMap::Form_Unload() {
    polling_.setContinuousReadTicked(nullptr);
}

bool frmRegMap::eventFilter(QObject* watched, QEvent* event) {
    if (watched == fraBits && event->type() == QEvent::Resize) {
        ArrangeBitLabels();
    } else if (watched == TreeView1->viewport()) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            treeMouseDown_ = true;
        else if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::Leave)
            treeMouseDown_ = false;
    }
    return ChildWindow::eventFilter(watched, event);
}

void frmRegMap::BuildRegisterTree() { // once, into the empty tree
    TreeView1->setIndentation(TwipsToPixels(IndentationTwips));
    QList<QTreeWidgetItem*> items;
    for (const RegisterTreeNode& node : RegisterTreeNodes()) {
        auto* item =
            node.parent < 0 ? new QTreeWidgetItem(TreeView1) : new QTreeWidgetItem(items.at(node.parent));
        item->setText(0, node.text);
        item->setForeground(0, node.level == 0 ? RootColour : node.level == 1 ? GroupColour : RegisterColour);
        items.append(item);
    }
}

void frmRegMap::ArrangeBitLabels() {
    // The names sit in a row below the frame's caption, the bits in a row below them; across,
    // bit 7 is leftmost and bit 0 rightmost with a margin of 100 twips on both sides.
    const QMargins margins = fraBits->contentsMargins();
    const int infoHeight = lblInfo[0]->height();
    const int bitHeight = lblBit[0]->fontMetrics().height() + 10;
    const int infoTop = margins.top();
    const int bitTop = infoTop + infoHeight + BitTopGap;
    fraBits->setMinimumHeight(bitTop + bitHeight + std::max(margins.bottom(), 6));

    const double frameWidth = PixelsToTwips(fraBits->width());
    const double w = (frameWidth - 200) / 8;
    for (std::size_t i = 0; i < lblBit.size(); ++i) {
        const double left = frameWidth - ((i + 1) * w + 100);
        const int leftPx = TwipsToPixels(left);
        const int widthPx = std::max(1, TwipsToPixels(left + w) - leftPx);
        lblBit[i]->setGeometry(leftPx, bitTop, widthPx, bitHeight);
        QLabel* info = lblInfo[BitCount - 1 - i];
        info->move(TwipsToPixels(left + w / 2 - PixelsToTwips(info->width()) / 2), infoTop);
    }
}

void frmRegMap::ShowRegister(int index) {
    showView(ReadTableRegister(session_.usb, index));
}

void frmRegMap::ShowBits(int value) {
    const std::array<QString, BitCount> texts = BitTexts(value);
    for (std::size_t i = 0; i < lblBit.size(); ++i)
        lblBit[i]->setValueText(texts[i]);
}

void frmRegMap::showView(const RegisterView& view) {
    lblRegDescription->setText(view.description);
    lblCurrentAddr->setText(view.addressText);
    shownAddress_ = view.addressText;
    // Left alone when it already shows this address, so a box being edited keeps its cursor.
    if (txtReadAddr->text() != view.addressText.toUpper()) txtReadAddr->setText(view.addressText);
    for (std::size_t k = 0; k < view.bitNames.size(); ++k) {
        const QString& name = view.bitNames[k];
        lblInfo[k]->setText(name);
        lblBit[BitCount - 1 - k]->setAccessibleDescription(name);
    }
    lblDecVal->setText(QString::number(view.value));
    lblHexVal->setText(HexText(static_cast<std::uint32_t>(view.value)));
    ShowBits(view.value);
}

void frmRegMap::TreeView1_NodeClick(QTreeWidgetItem* node) {
    // Only the third level holds registers; roots and groups do nothing.
    if (!node || !node->parent() || !node->parent()->parent()) return;
    if (const auto index = FindRegisterByName(node->text(0))) ShowRegister(*index);
}

void frmRegMap::cmdRead_Click() {
    showView(ReadTypedRegister(session_.usb, txtReadAddr->text()));
}

void frmRegMap::cmdWrite_Click() {
    if (!WriteTypedRegister(session_.usb, txtReadAddr->text(), TypedRegisterValue(txtDec->text()))) return;
    cmdRead_Click();
}

void frmRegMap::lblBit_Click(std::size_t index) {
    // The bits belong to the register last read, whatever has been typed into the address box
    // since: the flipped value goes there, never into another register.
    if (shownAddress_.isEmpty()) return;
    ClickableLabel* clicked = lblBit[index];
    clicked->setValueText(FlippedBitText(clicked->text()));
    std::array<QString, BitCount> texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = lblBit[i]->text();
    const QString address = shownAddress_;
    if (!WriteTypedRegister(session_.usb, address, BitSum(texts))) return;
    showView(ReadTypedRegister(session_.usb, address));
}

void frmRegMap::txtReadAddr_Change() {
    const QString text = txtReadAddr->text();
    const QString upper = text.toUpper();
    if (upper == text) return;
    const int cursor = txtReadAddr->cursorPosition();
    txtReadAddr->setText(upper);
    txtReadAddr->setCursorPosition(cursor);
}

void frmRegMap::txtDec_Change() {
    if (mirroring_) return;
    mirroring_ = true;
    txtHex->setText(HexMirrorOfDecimal(txtDec->text()));
    mirroring_ = false;
}

void frmRegMap::txtHex_Change() {
    if (mirroring_) return;
    mirroring_ = true;
    txtDec->setText(DecimalMirrorOfHex(txtHex->text()));
    mirroring_ = false;
}
