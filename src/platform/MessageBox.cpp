#include "platform/MessageBox.h"

#include <QAbstractButton>
#include <QIcon>

namespace sorvel {

namespace {
const char* japaneseCaption(QMessageBox::StandardButton b) {
    switch (b) {
        case QMessageBox::Ok: return "OK";
        case QMessageBox::Cancel: return "キャンセル";
        case QMessageBox::Yes: return "はい";
        case QMessageBox::No: return "いいえ";
        case QMessageBox::Close: return "閉じる";
        case QMessageBox::Abort: return "中止";
        case QMessageBox::Retry: return "再試行";
        case QMessageBox::Ignore: return "無視";
        default: return nullptr;
    }
}
}  // namespace

void useJapaneseButtons(QMessageBox& box) {
    for (QAbstractButton* button : box.buttons()) {
        const char* caption = japaneseCaption(box.standardButton(button));
        if (caption) button->setText(QString::fromUtf8(caption));
        button->setIcon(QIcon());
    }
}

QMessageBox::StandardButton showMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                           const QString& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, text, buttons, parent);
    useJapaneseButtons(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace sorvel
