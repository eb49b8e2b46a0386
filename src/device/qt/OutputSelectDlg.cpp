#include "device/qt/OutputSelectDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kdx {

namespace {

constexpr const char* SelectDialogTitle = "VELX-9指定";
constexpr int SerialColumnWidth = 70;
constexpr QRgb AttachedColor = qRgb(255, 0, 0);  // generators found on the bus now

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

COutputSelectDlg::COutputSelectDlg(std::vector<DeviceEntry> entries, QWidget* parent)
    : QDialog(parent), form(std::move(entries)) {
    setWindowTitle(QString::fromUtf8(SelectDialogTitle));

    list = new QTreeWidget(this);
    list->setColumnCount(2);
    list->setHeaderLabels({QStringLiteral("シリアルNo"), QStringLiteral("表示名")});
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAccessibleName(QString::fromUtf8(SelectDialogTitle));
    // The headers only name the columns; the serial's width is fixed and the
    // display name takes the rest, less the scroll bar's room when one shows.
    QHeaderView* header = list->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    header->setStretchLastSection(true);
    list->setColumnWidth(0, SerialColumnWidth);
    for (const DeviceEntry& entry : form.Entries()) {
        auto* item = new QTreeWidgetItem(list, {Q(entry.serial), Q(entry.displayName)});
        if (entry.connected) {
            item->setForeground(0, QColor(AttachedColor));
            item->setForeground(1, QColor(AttachedColor));
        }
    }

    auto* nameLabel = new QLabel(QStringLiteral("表示名入力："), this);
    nameEdit = new QLineEdit(this);
    nameLabel->setBuddy(nameEdit);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    noChoiceButton = new QPushButton(QStringLiteral("指定なし"), this);
    noChoiceButton->setAutoDefault(false);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(nameEdit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(noChoiceButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list);
    layout->addLayout(nameRow);
    layout->addLayout(buttons);
    resize(340, 300);

    connect(list, &QTreeWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    connect(nameEdit, &QLineEdit::textEdited, this, [this](const QString& text) { NameEdited(text); });
    connect(okButton, &QPushButton::clicked, this, [this] {
        if (form.EntryChosen()) accept();
    });
    connect(noChoiceButton, &QPushButton::clicked, this, &QDialog::reject);
    SelectionChanged();
}

void COutputSelectDlg::SelectionChanged() {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    form.Select(selected.isEmpty() ? -1 : list->indexOfTopLevelItem(selected.front()));
    okButton->setEnabled(form.EntryChosen());
    nameEdit->setEnabled(form.EntryChosen());
    nameEdit->setText(Q(form.NameText()));
}

void COutputSelectDlg::NameEdited(const QString& text) {
    if (form.EditName(text.toStdString())) list->topLevelItem(form.Selected())->setText(1, text);
}

int COutputSelectDlg::Choose(std::vector<DeviceEntry>& entries, QWidget* parent, const Runner& run) {
    COutputSelectDlg dialog(entries, parent);
    const int result = run ? run(dialog) : dialog.exec();
    entries = dialog.form.Entries();
    return result == QDialog::Accepted ? dialog.form.Selected() : -1;
}

OutputDeviceChoice RunOutputDeviceStartup(QWidget* parent, int maxNumber, bool libraryLoaded, DeviceListStore& store,
                                          const COutputSelectDlg::Runner& run) {
    return ChooseOutputDevice(maxNumber, libraryLoaded, store, [&](std::vector<DeviceEntry>& entries) {
        return COutputSelectDlg::Choose(entries, parent, run);
    });
}

}  // namespace kdx
