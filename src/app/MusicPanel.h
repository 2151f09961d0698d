// The music panel of the main window: the music list box and its sliding
// panel, the play-pattern list, the page menu, the Com5 buttons, the "File"
// check box and the track display, with their handlers. The rules behind
// them are the music controller's (music/Music.h); this is its view.
#pragma once

#include <QObject>
#include <array>
#include <initializer_list>
#include <memory>
#include <string>

#include "app/Controls.h"
#include "launcher/LauncherState.h"
#include "music/Music.h"
#include "platform/Services.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace sorvel {

class ChoiceListBox;
class MusicListView;

// What the music panel asks of the window around it.
class MusicPanelHost {
public:
    virtual ~MusicPanelHost() = default;
    // A handler begins: what frames a hidden window left out is brought
    // forward first. It ends: the tick wakes for whatever it began.
    virtual void handlerBegins() = 0;
    virtual void handlerEnds() = 0;
    virtual void flashFormRed() = 0;          // the red flash of a chosen track
    virtual void saveData() = 0;              // SaveData
    virtual void runMidiDialog() = 0;         // the file dialog, modal, for "mid"
    virtual void warnUnstorableName() = 0;    // a chosen name the files cannot hold
};

class MusicPanel : public QObject, private MusicPanelView {
public:
    MusicPanel(QWidget* window, LauncherState& state, Mci& mci, const std::string& folder, LocalAddress& local,
               Clipboard& clipboard, MusicPanelHost& host);
    ~MusicPanel() override;

    // The track display and the "File" check box; made after the help
    // button, so that the Tab order runs as the window is laid out.
    void buildTrackDisplay();

    // Handlers (public so that tests and the window can press them).
    void com5Click(int index);
    void com5Click(Com5 which) { com5Click(at(which)); }
    void list2Click(int row);   // a play pattern chosen
    void list3Click(int row);   // a page menu entry chosen

    // The page menu closes (a click elsewhere, as on help).
    void closePageMenu() { hidePageMenu(); }
    // Loading the data: the page menu's "そのまま", chosen as the user would.
    void keepPage();
    // The music buttons under the slot page's information panel.
    void setMusicButtonsVisible(bool visible);
    // Into the game: the list panel closes and the pattern list goes.
    void closeForGame();
    // The player buttons are hidden in the game and shown after it.
    void showPlayerButtons(bool shown);
    bool listUDEnabled() const;

    MusicList& musicList() { return musicList_; }
    MusicController& music() { return *music_; }
    QPushButton* com5(int i) { return com5_[static_cast<size_t>(i)]; }
    QLineEdit* text2(int i) { return text2_[static_cast<size_t>(i)]; }
    QCheckBox* check1() { return check1_; }
    // Built when first asked for.
    MusicListView* list1();
    QListWidget* list2();
    QListWidget* list3();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    // MusicPanelView
    void hidePageMenu() override;
    void hidePatternList() override;
    void flashFormRed() override { host_.flashFormRed(); }
    bool fileNameOnly() const override;
    void setTrackName(const std::string& text) override;
    void setTrackNumber(const std::string& text) override;
    bool listVisible() const override;
    void setListVisible(bool visible) override;
    int listTop() const override { return list1Top_; }
    void setListTop(int top) override;
    void focusList() override;
    void setListButtonsVisible(bool visible) override;
    void setListUDEnabled(bool enabled) override;
    void focusListUD() override;
    void setPageCaption(const std::string& caption) override;
    void setFavouritesLook(bool favourites) override;
    void showMidiDialog() override { host_.runMidiDialog(); }
    void saveData() override { host_.saveData(); }
    void warnUnstorableName() override { host_.warnUnstorableName(); }

    void showFavouritesLook();
    ChoiceListBox* choiceList(const ControlSpec& place, std::initializer_list<const char*> items, const char* name,
                              void (MusicPanel::*chosen)(int));

    QWidget* window_;
    LauncherState& st_;
    LocalAddress& local_;
    Clipboard& clipboard_;
    MusicPanelHost& host_;
    MusicList musicList_;
    std::unique_ptr<MusicController> music_;
    std::array<QPushButton*, 9> com5_{};
    std::array<QLineEdit*, 2> text2_{};
    QCheckBox* check1_ = nullptr;
    MusicListView* list1_ = nullptr;
    ChoiceListBox* list2_ = nullptr;
    ChoiceListBox* list3_ = nullptr;
    int list1Top_ = 40;               // where the list box stands, built or not
    bool list1Favourites_ = false;    // the favourites' background
    int list3Row_ = -1;               // the page menu's row before it is built
};

}  // namespace sorvel
