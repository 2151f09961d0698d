#include "app/Warnings.h"

#include <QMessageBox>

namespace sorvel {

void warnUnstorableName(QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("警告"),
                    QStringLiteral("ファイル名に「\"」か改行が入っているので登録できません。"), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace sorvel
