#include "edit/qt/FormDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "document/qt/AccessibleLabels.h"

namespace kdx {

namespace {

const QColor MarkerRed(255, 0, 0);

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A widget that comes and goes without the dialog's layout moving.
void KeepPlaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

}  // namespace

QStringList TimeUnitNames() { return {QStringLiteral("nS"), QStringLiteral("uS"), QStringLiteral("mS"), QStringLiteral("S")}; }

// ---- Message boxes ----

void QtFormPrompts::Inform(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KDX"), Q(text), QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

bool QtFormPrompts::Confirm(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KDX"), Q(text), QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

// ---- Form dialog ----

CFormDlg::CFormDlg(EditForm& f, const QString& title, QWidget* parent)
    : QDialog(parent), form(f), ownPrompts(std::make_unique<QtFormPrompts>(this)) {
    setWindowTitle(title);
    fields = new QGridLayout;
    fields->setHorizontalSpacing(6);
    fields->setColumnMinimumWidth(1, 110);
}

CFormDlg::~CFormDlg() = default;

QLineEdit* CFormDlg::NewEdit(int id, const QString& accessibleName) {
    auto* edit = new QLineEdit(this);
    edit->setAccessibleName(accessibleName);
    edit->setMinimumWidth(110);
    BindEdit(edit, id);
    return edit;
}

void CFormDlg::BindEdit(QLineEdit* edit, int id) {
    connect(edit, &QLineEdit::textChanged, this, [this, id](const QString& text) {
        if (refreshing) return;
        form.SetText(id, text.toStdString());
        Refresh();
    });
    bindings[id].edit = edit;
}

QComboBox* CFormDlg::NewUnitList(int id, const QString& accessibleName, const QStringList& units) {
    auto* list = new QComboBox(this);
    list->addItems(units);
    list->setCurrentIndex(-1);
    NameUnitList(list, accessibleName);
    connect(list, &QComboBox::currentIndexChanged, this, [this, id](int index) {
        if (refreshing) return;
        form.SetUnit(id, index);
        Refresh();
    });
    bindings[id].units = list;
    return list;
}

QLabel* CFormDlg::MakeMarker() {
    auto* marker = new QLabel(QStringLiteral("×"), this);
    QPalette pal = marker->palette();
    pal.setColor(QPalette::WindowText, MarkerRed);
    marker->setPalette(pal);
    KeepPlaceWhenHidden(marker);
    marker->setVisible(false);
    return marker;
}

QLabel* CFormDlg::NewMarker(int id) {
    QLabel* marker = MakeMarker();
    bindings[id].marker = marker;
    return marker;
}

CFormDlg::FileRows CFormDlg::AddFileRows(QWidget* label, const QString& nameAccessible,
                                         const QString& progressAccessible) {
    FileRows rows;
    rows.name = new QLineEdit(this);
    rows.name->setReadOnly(true);
    rows.name->setAccessibleName(nameAccessible);
    rows.browse = new QPushButton(QStringLiteral("参照・読込"), this);
    AddRowWidget(label, 0);
    AddRowWidget(rows.name, 1);
    AddRowWidget(rows.browse, 2, 2);
    EndRow();
    rows.progress = new QProgressBar(this);
    rows.progress->setRange(0, 100);
    rows.progress->setAccessibleName(progressAccessible);
    KeepPlaceWhenHidden(rows.progress);
    rows.progress->hide();
    AddRowWidget(rows.progress, 1, 3);
    EndRow();
    return rows;
}

void CFormDlg::AddTimeRow(const QString& label, int id) { AddListRow(label, id, TimeUnitNames()); }

void CFormDlg::AddListRow(const QString& label, int id, const QStringList& units) {
    auto* name = new QLabel(label, this);
    QLineEdit* edit = NewEdit(id, label);
    LabelField(name, edit);
    fields->addWidget(name, nextRow, 0);
    fields->addWidget(edit, nextRow, 1);
    fields->addWidget(NewUnitList(id, label, units), nextRow, 2);
    fields->addWidget(NewMarker(id), nextRow, 3);
    ++nextRow;
}

void CFormDlg::AddValueRow(const QString& label, int id, const QString& unit) {
    auto* name = new QLabel(label, this);
    QLineEdit* edit = NewEdit(id, label);
    LabelField(name, edit);
    fields->addWidget(name, nextRow, 0);
    fields->addWidget(edit, nextRow, 1);
    fields->addWidget(new QLabel(unit, this), nextRow, 2);
    fields->addWidget(NewMarker(id), nextRow, 3);
    ++nextRow;
}

QRadioButton* CFormDlg::AddRadioTimeRow(const QString& label, int id) {
    auto* radio = new QRadioButton(label, this);
    fields->addWidget(radio, nextRow, 0);
    fields->addWidget(NewEdit(id, label), nextRow, 1);
    fields->addWidget(NewUnitList(id, label, TimeUnitNames()), nextRow, 2);
    fields->addWidget(NewMarker(id), nextRow, 3);
    ++nextRow;
    return radio;
}

QRadioButton* CFormDlg::AddRadioValueRow(const QString& label, int id, const QString& unit) {
    auto* radio = new QRadioButton(label, this);
    fields->addWidget(radio, nextRow, 0);
    fields->addWidget(NewEdit(id, label), nextRow, 1);
    fields->addWidget(new QLabel(unit, this), nextRow, 2);
    fields->addWidget(NewMarker(id), nextRow, 3);
    ++nextRow;
    return radio;
}

void CFormDlg::AddTimeRowAfter(QWidget* lead, const QString& name, int id) {
    fields->addWidget(lead, nextRow, 0);
    fields->addWidget(NewEdit(id, name), nextRow, 1);
    fields->addWidget(NewUnitList(id, name, TimeUnitNames()), nextRow, 2);
    fields->addWidget(NewMarker(id), nextRow, 3);
    ++nextRow;
}

QComboBox* CFormDlg::AddHistoryRow(const QString& label, int id, const QStringList& entries) {
    auto* name = new QLabel(label, this);
    auto* box = new QComboBox(this);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(entries);
    box->setAccessibleName(label);
    box->lineEdit()->setAccessibleName(label);
    BindEdit(box->lineEdit(), id);
    LabelField(name, box);
    fields->addWidget(name, nextRow, 0);
    fields->addWidget(box, nextRow, 1, 1, 2);
    fields->addWidget(NewMarker(id), nextRow, 3);
    ++nextRow;
    return box;
}

QComboBox* CFormDlg::AddChoiceRow(const QString& label, const QStringList& entries,
                                  const std::function<void(int)>& chosen) {
    auto* name = new QLabel(label, this);
    auto* list = new QComboBox(this);
    list->addItems(entries);
    LabelField(name, list);
    connect(list, &QComboBox::currentIndexChanged, this, [this, chosen](int index) {
        if (refreshing || index < 0) return;
        chosen(index);
        Refresh();
    });
    fields->addWidget(name, nextRow, 0);
    fields->addWidget(list, nextRow, 1, 1, 2);
    ++nextRow;
    return list;
}

QLineEdit* CFormDlg::AddDisplayBox(int id, const QString& accessibleName, int column) {
    QLineEdit* box = NewEdit(id, accessibleName);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    fields->addWidget(box, nextRow, column);
    return box;
}

void CFormDlg::AddRowWidget(QWidget* widget, int column, int columnSpan) {
    fields->addWidget(widget, nextRow, column, 1, columnSpan);
}

QLineEdit* CFormDlg::Edit(int id) const {
    const auto it = bindings.find(id);
    return it == bindings.end() ? nullptr : it->second.edit;
}

QComboBox* CFormDlg::UnitList(int id) const {
    const auto it = bindings.find(id);
    return it == bindings.end() ? nullptr : it->second.units;
}

QLabel* CFormDlg::Marker(int id) const {
    const auto it = bindings.find(id);
    return it == bindings.end() ? nullptr : it->second.marker;
}

FormPrompts& CFormDlg::Prompts() { return scriptedPrompts ? *scriptedPrompts : *ownPrompts; }

void CFormDlg::Refresh() {
    if (refreshing) return;  // a control set here reported its change
    refreshing = true;
    for (auto& [id, b] : bindings) {
        const FieldState& f = form.Field(id);
        if (b.edit) {
            const QString text = Q(f.text);
            if (b.edit->text() != text) b.edit->setText(text);
            b.edit->setEnabled(f.enabled);
        }
        if (b.units) {
            if (b.units->currentIndex() != f.unit) b.units->setCurrentIndex(f.unit);
            b.units->setEnabled(f.enabled);
        }
        if (b.marker) b.marker->setVisible(f.marker);
    }
    RefreshControls();
    refreshing = false;
}

void CFormDlg::DropDefaultButtons() {
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
}

void CFormDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kdx
