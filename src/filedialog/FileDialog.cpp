#include "filedialog/FileDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStorageInfo>

#include "launcher/SlotRules.h"
#include "platform/MessageBox.h"
#include "platform/Surface.h"

namespace sorvel {

namespace {
constexpr int px(int twips) { return twips / 15; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool matchFrom(const std::string& p, size_t pi, const std::string& n, size_t ni) {
    // Iterative glob with backtracking on the last star.
    size_t starP = std::string::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || lower(p[pi]) == lower(n[ni]))) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

// The folder last shown on each drive (mount point) during the run, for
// every opening of the dialog.
QHash<QString, QString>& lastFolderOnDrive() {
    static QHash<QString, QString> last;
    return last;
}

QString parentOf(const QString& f) {
    if (f == QLatin1String("/")) return f;
    const int i = f.lastIndexOf(QLatin1Char('/'));
    return i <= 0 ? QStringLiteral("/") : f.left(i);
}
}  // namespace

bool wildcardMatch(const std::string& pattern, const std::string& name) {
    // "*.*" lists every file, also names without a dot.
    if (pattern == "*.*" || pattern == "*") return true;
    return matchFrom(pattern, 0, name, 0);
}

std::string filterPattern(const std::string& entry) {
    const auto sp = entry.find(' ');
    if (sp == std::string::npos) return {};
    return entry.substr(0, sp);
}

std::string composeAnswer(const std::string& t, const std::string& folder) {
    if (isUrl(t) || t.rfind("/", 0) == 0) return t;
    return folder + "/" + t;
}

namespace {
// A label's text as the name of the control it labels ("File:" names "File").
QString labelName(const QLabel* l) {
    QString t = l->text();
    if (t.endsWith(QLatin1Char(':'))) t.chop(1);
    return t;
}
}  // namespace

FileDialog::FileDialog(LauncherState& s, QWidget* parent) : QDialog(parent), s_(s) {
    setWindowTitle(QStringLiteral("ファイルを選んでください"));
    setFixedSize(px(7530), px(4185));
    setFont(uiFont(12));
    drive1_ = new QComboBox(this);
    drive1_->setGeometry(px(120), px(120), px(2655), px(300));
    dir1_ = new QListWidget(this);
    dir1_->setGeometry(px(120), px(480), px(2655), px(2610));
    file1_ = new QListWidget(this);
    file1_->setGeometry(px(2880), px(120), px(2655), px(2970));
    file1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Plain list boxes: a vertical scroll bar only, long names cut at the edge.
    for (QListWidget* l : {dir1_, file1_}) {
        l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        l->setTextElideMode(Qt::ElideNone);
    }
    ok_ = new QPushButton(QStringLiteral("OKっす"), this);
    ok_->setGeometry(px(5640), px(120), px(1815), px(615));
    cancel_ = new QPushButton(QStringLiteral("Cancelっす"), this);
    cancel_->setGeometry(px(5640), px(840), px(1815), px(615));
    const char* captions[4] = {"フォルダごと選択", "読取り属性表示", "隠し属性表示", "システム表示"};
    const int geo[4][4] = {{5760, 1560, 1695, 255}, {5760, 1920, 1575, 255}, {5760, 2280, 1575, 255},
                           {5760, 2640, 1575, 255}};
    for (int i = 0; i < 4; ++i) {
        check1_[i] = new QCheckBox(QString::fromUtf8(captions[i]), this);
        check1_[i]->setGeometry(px(geo[i][0]), px(geo[i][1]), px(geo[i][2]) + 12, px(geo[i][3]));
        if (i > 0) {
            connect(check1_[i], &QCheckBox::toggled, this, [this] {
                refreshDirs();
                refreshFiles();
            });
        }
    }
    check1_[0]->setEnabled(false);
    check1_[1]->setChecked(true);
    label0_ = new QLabel(QStringLiteral("File:"), this);
    label0_->setGeometry(px(120), px(3360), px(675), px(240));
    filesele_ = new QLineEdit(this);
    filesele_->setGeometry(px(960), px(3360), px(6375), px(270));
    auto* label1 = new QLabel(QStringLiteral("Filter:"), this);
    label1->setGeometry(px(120), px(3720), px(945), px(240));
    combo1_ = new QComboBox(this);
    combo1_->setGeometry(px(1320), px(3720), px(6015), px(300));
    // Names for assistive tools; the field and the filter are named by
    // their labels.
    drive1_->setAccessibleName(QStringLiteral("ドライブ"));
    // On Linux a combo box's accessible name is its current text ("/"):
    // screen readers name it by the label that labels it. The drive box has
    // none on screen, so an unshown one carries its name.
    auto* driveLabel = new QLabel(drive1_->accessibleName(), this);
    driveLabel->setBuddy(drive1_);
    driveLabel->hide();
    dir1_->setAccessibleName(QStringLiteral("フォルダ一覧"));
    file1_->setAccessibleName(QStringLiteral("ファイル一覧"));
    label0_->setBuddy(filesele_);
    label1->setBuddy(combo1_);
    filesele_->setAccessibleName(labelName(label0_));
    combo1_->setAccessibleName(labelName(label1));

    connect(ok_, &QPushButton::clicked, this, [this] { leave(true); });
    connect(cancel_, &QPushButton::clicked, this, [this] { leave(false); });
    connect(combo1_, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(drive1_, &QComboBox::activated, this, [this](int i) { driveChanged(i); });
    connect(dir1_, &QListWidget::itemActivated, this, [this](QListWidgetItem* it) {
        const QString target = it->data(Qt::UserRole).toString();
        if (!target.isEmpty()) setFolder(target);
    });
    connect(file1_, &QListWidget::itemSelectionChanged, this, [this] { fileSelectionChanged(); });
    connect(file1_, &QListWidget::itemDoubleClicked, this, [this] { leave(true); });
    filesele_->installEventFilter(this);
    file1_->installEventFilter(this);
    fillDrives();
    folder_ = QDir::currentPath();
    canEnter = [](const QString& path) {
        const QFileInfo fi(path);
        return fi.isDir() && fi.isExecutable() && fi.isReadable();
    };
    warn = [this](const QString& title, const QString& text) {
        showMessageBox(this, QMessageBox::NoIcon, title, text, QMessageBox::Ok);
    };
}

void FileDialog::fillDrives() {
    drive1_->clear();
    QStringList roots{QStringLiteral("/")};
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QLatin1String("/")) roots << home;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid()) continue;
        const QString r = v.rootPath();
        if (!roots.contains(r)) roots << r;
    }
    for (const QString& r : roots) drive1_->addItem(r, r);
}

void FileDialog::pickDrive(int idx) {
    drive1_->setCurrentIndex(idx);
    driveChanged(idx);
}

void FileDialog::driveChanged(int idx) {
    // Picking the drive already shown is no change.
    if (idx == driveShown_) return;
    const QString root = drive1_->itemData(idx).toString();
    const QString last = lastFolderOnDrive().value(root);
    // The folder last shown there, or its root; failures keep the old place.
    if ((last.isEmpty() || !setFolder(last)) && !setFolder(root)) {
        const QSignalBlocker b(drive1_);
        drive1_->setCurrentIndex(driveShown_);
    }
}

bool FileDialog::setFolder(const QString& path) {
    QFileInfo fi(path);
    if (path.isEmpty() || !canEnter || !canEnter(path)) return false;
    QString clean = QDir::cleanPath(fi.absoluteFilePath());
    folder_ = clean;
    // The volume that holds the folder.
    int best = -1, bestLen = -1;
    for (int i = 0; i < drive1_->count(); ++i) {
        QString r = drive1_->itemData(i).toString();
        const QString rs = r.endsWith(QLatin1Char('/')) ? r : r + QLatin1Char('/');
        if ((clean + QLatin1Char('/')).startsWith(rs) && r.size() > bestLen) {
            best = i;
            bestLen = static_cast<int>(r.size());
        }
    }
    driveShown_ = best;
    if (best >= 0) {
        const QSignalBlocker b(drive1_);
        drive1_->setCurrentIndex(best);
        lastFolderOnDrive().insert(drive1_->itemData(best).toString(), clean);
    }
    refreshDirs();
    refreshFiles();
    return true;
}

void FileDialog::refreshDirs() {
    dir1_->clear();
    auto* head = new QListWidgetItem(folder_, dir1_);
    QFont f = head->font();
    f.setBold(true);
    head->setFont(f);
    if (folder_ != QLatin1String("/")) {
        auto* up = new QListWidgetItem(QStringLiteral(".."), dir1_);
        up->setData(Qt::UserRole, parentOf(folder_));
    }
    QDir::Filters flags = QDir::Dirs | QDir::NoDotAndDotDot;
    if (check1_[2]->isChecked()) flags |= QDir::Hidden;
    const QDir d(folder_);
    for (const QFileInfo& e : d.entryInfoList(flags, QDir::Name | QDir::IgnoreCase)) {
        auto* it = new QListWidgetItem(e.fileName() + QLatin1Char('/'), dir1_);
        it->setData(Qt::UserRole, e.absoluteFilePath());
    }
}

void FileDialog::refreshFiles() {
    file1_->clear();
    const bool showReadOnly = check1_[1]->isChecked();
    const bool showHidden = check1_[2]->isChecked();
    const bool showSystem = check1_[3]->isChecked();
    const QDir d(folder_);
    const std::string pat = pattern_.toStdString();
    const auto entries =
        d.entryInfoList(QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& e : entries) {
        if (e.isDir()) continue;
        const QString name = e.fileName();
        const bool hidden = name.startsWith(QLatin1Char('.'));
        const bool system = !e.isFile();
        const bool readOnly = e.isFile() && !e.isWritable();
        if (hidden && !showHidden) continue;
        if (system && !showSystem) continue;
        if (readOnly && !showReadOnly) continue;
        if (!wildcardMatch(pat, name.toStdString())) continue;
        new QListWidgetItem(name, file1_);
    }
    fileSelectionChanged();
}

void FileDialog::fileSelectionChanged() {
    QStringList names;
    for (int i = 0; i < file1_->count(); ++i) {
        if (file1_->item(i)->isSelected()) names << file1_->item(i)->text();
    }
    if (!names.isEmpty() || file1_->hasFocus()) filesele_->setText(names.join(QLatin1Char(' ')));
}

void FileDialog::applyFilter() {
    const std::string p = filterPattern(combo1_->currentText().toStdString());
    if (p.empty()) return;
    pattern_ = QString::fromStdString(p);
    refreshFiles();
}

void FileDialog::load() {
    const bool mid = s_.fileDialogValue == "mid";
    combo1_->clear();
    if (mid) {
        combo1_->addItem(QStringLiteral("*.mid* (MIDIファイル)"));
        combo1_->addItem(QStringLiteral("*.* (All File)"));
        label0_->setText(QStringLiteral("Files:"));
        filesele_->setAccessibleName(labelName(label0_));
    } else {
        combo1_->addItem(QStringLiteral("*.* (All File)"));
        combo1_->addItem(QStringLiteral("*.exe (実行ファイル)"));
    }
    combo1_->setCurrentIndex(0);
    applyFilter();
    const QString start = QString::fromStdString(s_.fileDialogFolder);
    filesele_->setText(start);
    if (!start.startsWith(QLatin1Char('/'))) {
        setFolder(folder_);
        return;
    }
    if (canEnter && canEnter(start)) {
        enterStep();
        return;
    }
    // A remembered folder that is gone or cannot be entered: go as near as
    // we can, then warn.
    QString up = parentOf(QDir::cleanPath(start));
    while (!setFolder(up) && up != QLatin1String("/")) up = parentOf(up);
    if (warn) warn(QStringLiteral("警告"), QStringLiteral("そのファイルが存在しないかデバイスがありません。"));
}

int FileDialog::exec() {
    load();
    // The dialog opens centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    return QDialog::exec();
}

void FileDialog::enterStep() {
    const QString t = filesele_->text();
    if (!t.startsWith(QLatin1Char('/'))) return;
    if (setFolder(t.left(999))) {
        filesele_->clear();
        return;
    }
    if (warn) warn(QStringLiteral("警告"), QStringLiteral("そのファイルが存在しないかデバイスがありません。"));
}

void FileDialog::leave(bool ok) {
    if (leaving_) return;
    leaving_ = true;
    const std::string folder = folder_.toStdString();
    const std::string answer = composeAnswer(filesele_->text().toStdString(), folder);
    filesele_->setText(QString::fromStdString(answer));
    s_.fileDialogFolder = folder;
    s_.fileDialogValue = ok ? answer : std::string();
    if (ok) accept(); else reject();
}

void FileDialog::keyPressEvent(QKeyEvent* e) {
    // Enter means something only in the path field and the file list (both
    // handled in eventFilter) and on a focused button, which presses it.
    // Elsewhere it must not fall through to the dialog's default button.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool FileDialog::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (o == filesele_) {
                enterStep();
                return true;
            }
            if (o == file1_) {
                leave(true);
                return true;
            }
        }
    }
    return QDialog::eventFilter(o, e);
}

}  // namespace sorvel
