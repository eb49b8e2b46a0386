#include "app/AboutDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "app/core/StartupSettings.h"

namespace kdx {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("KDXのﾊﾞｰｼﾞｮﾝ情報"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/kdx/icons/kdx.png")).pixmap(32, 32));
    version = new QLabel(QStringLiteral("KDX Version 0.0"), this);
    version->setText(QString::fromStdString(AboutVersionText()));
    auto* purpose = new QLabel(QStringLiteral("VELX-9 波形データ編集・書き込みプログラム"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(version, 0, 1);
    grid->addWidget(purpose, 1, 1);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
    grid->setColumnMinimumWidth(1, 260);
    grid->setHorizontalSpacing(16);
    setFixedSize(sizeHint());
}

}  // namespace kdx
