// A music panel for tests: keeps what the controller shows in plain fields,
// and lets a test answer the modal and saving steps.
#pragma once

#include <functional>
#include <string>

#include "music/Music.h"

namespace sorvel {

struct FakeMusicPanel : MusicPanelView {
    bool visible = false, buttons = false, udEnabled = true, nameOnly = false, favouritesLook = false;
    int top = 40, reds = 0, listFocus = 0, udFocus = 0, pageMenuHidden = 0, patternListHidden = 0;
    std::string trackName = "Midi Name", trackNumber = "Midi No", pageCaption = "1P";
    std::function<void()> onSaveData, onMidiDialog, onWarnUnstorable;

    void hidePageMenu() override { ++pageMenuHidden; }
    void hidePatternList() override { ++patternListHidden; }
    void flashFormRed() override { ++reds; }
    bool fileNameOnly() const override { return nameOnly; }
    void setTrackName(const std::string& t) override { trackName = t; }
    void setTrackNumber(const std::string& t) override { trackNumber = t; }
    bool listVisible() const override { return visible; }
    void setListVisible(bool v) override { visible = v; }
    int listTop() const override { return top; }
    void setListTop(int t) override { top = t; }
    void focusList() override { ++listFocus; }
    void setListButtonsVisible(bool v) override { buttons = v; }
    void setListUDEnabled(bool e) override { udEnabled = e; }
    void focusListUD() override { ++udFocus; }
    void setPageCaption(const std::string& c) override { pageCaption = c; }
    void setFavouritesLook(bool f) override { favouritesLook = f; }
    void showMidiDialog() override {
        if (onMidiDialog) onMidiDialog();
    }
    void saveData() override {
        if (onSaveData) onSaveData();
    }
    void warnUnstorableName() override {
        if (onWarnUnstorable) onWarnUnstorable();
    }
};

}  // namespace sorvel
