#include "app/Warnings.h"

#include "platform/MessageBox.h"

namespace sorvel {

void warnUnstorableName(QWidget* parent) {
    showMessageBox(parent, QMessageBox::NoIcon, QStringLiteral("警告"),
                   QStringLiteral("ファイル名に「\"」か改行が入っているので登録できません。"), QMessageBox::Ok);
}

}  // namespace sorvel
