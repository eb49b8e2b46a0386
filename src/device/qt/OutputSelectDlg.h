// COutputSelectDlg: "VELX-9指定", the modal choice at start-up of the
// generator this instance writes to, from the device list and the bus; and
// the start-up step that runs it and writes the list back.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "device/OutputSelection.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace kdx {

class COutputSelectDlg : public QDialog {
    Q_OBJECT

public:
    // How the dialog is run: exec() by default; tests answer it instead.
    using Runner = std::function<int(COutputSelectDlg&)>;

    explicit COutputSelectDlg(std::vector<DeviceEntry> entries, QWidget* parent = nullptr);

    const DeviceSelectForm& Form() const { return form; }
    QTreeWidget* List() const { return list; }
    QLineEdit* NameEdit() const { return nameEdit; }
    QPushButton* OkButton() const { return okButton; }
    QPushButton* NoChoiceButton() const { return noChoiceButton; }

    // Shows the entries; afterwards they hold the names as edited. The chosen
    // position after OK, else -1.
    static int Choose(std::vector<DeviceEntry>& entries, QWidget* parent, const Runner& run = {});

private:
    void SelectionChanged();
    void NameEdited(const QString& text);

    DeviceSelectForm form;
    QTreeWidget* list = nullptr;
    QLineEdit* nameEdit = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* noChoiceButton = nullptr;
};

// The start-up decision for this instance, with the selection when several
// generators may be driven.
OutputDeviceChoice RunOutputDeviceStartup(QWidget* parent, int maxNumber, bool libraryLoaded, DeviceListStore& store,
                                          const COutputSelectDlg::Runner& run = {});

}  // namespace kdx
