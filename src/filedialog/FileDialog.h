// The modal drive/folder/file browser "ファイルを選んでください". It talks to
// its callers only through fileDialogValue (request in, answer out) and
// fileDialogFolder (start folder in, last folder out).
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "launcher/LauncherState.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace sorvel {

// Case-insensitive wildcard match ("*" any run, "?" one character).
bool wildcardMatch(const std::string& pattern, const std::string& name);
// The pattern of a filter entry: its text up to the first space ("" when
// there is no space: the filter is then left as it was).
std::string filterPattern(const std::string& entry);
// The answer for a path-field text t with the file list at folder.
std::string composeAnswer(const std::string& t, const std::string& folder);

class FileDialog : public QDialog {
public:
    FileDialog(LauncherState& s, QWidget* parent = nullptr);

    // Message box hook (title, text); the default shows a modal box.
    std::function<void(const QString&, const QString&)> warn;
    // Whether the lists can be moved to a folder (it exists, can be entered
    // and listed); replaceable in tests.
    std::function<bool(const QString&)> canEnter;

    // Runs the opening steps (filters, start folder). Called by exec().
    void load();
    int exec() override;

    // Test access.
    QString currentFolder() const { return folder_; }
    QListWidget* fileList() const { return file1_; }
    QListWidget* dirList() const { return dir1_; }
    QLineEdit* pathField() const { return filesele_; }
    QComboBox* filterBox() const { return combo1_; }
    QComboBox* driveBox() const { return drive1_; }
    QCheckBox* check(int i) const { return check1_[i]; }
    QLabel* fileLabel() const { return label0_; }
    void pressOk() { leave(true); }
    void pressCancel() { leave(false); }
    // Enter in the path field.
    void enterStep();
    bool setFolder(const QString& path);
    // A user's pick in the drive list.
    void pickDrive(int idx);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void fillDrives();
    void driveChanged(int idx);
    void refreshDirs();
    void refreshFiles();
    void fileSelectionChanged();
    void applyFilter();
    void leave(bool ok);

    LauncherState& s_;
    QString folder_;
    QString pattern_ = QStringLiteral("*.*");
    int driveShown_ = -1;   // the drive list's entry that holds folder_
    bool leaving_ = false;
    QComboBox* drive1_;
    QListWidget* dir1_;
    QListWidget* file1_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QCheckBox* check1_[4];
    QLabel* label0_;
    QLineEdit* filesele_;
    QComboBox* combo1_;
};

}  // namespace sorvel
