// CAboutDlg "KDXのﾊﾞｰｼﾞｮﾝ情報": the program's icon, version and purpose.
#pragma once

#include <QDialog>

class QLabel;

namespace kdx {

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QLabel* VersionLabel() const { return version; }

private:
    QLabel* version = nullptr;
};

}  // namespace kdx
