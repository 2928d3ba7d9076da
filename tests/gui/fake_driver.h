// A driver for tests: each kind of modal run is answered by a function the
// test supplies; runs without a function are cancelled.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gui/gui.h"

struct FakeDriver : gui::UiDriver {
    std::function<void(gui::ModalWindow&)> onModal;
    std::function<int(const std::string&, const std::string&, int)> onMessage;
    std::function<void(gui::FileDialog&)> onFile;
    std::vector<std::string> messages;  // "caption: text" of every message box
    std::vector<std::string> helpShown;

    void runModal(gui::ModalWindow& w) override {
        if (onModal) {
            onModal(w);
        } else {
            w.userCancel();
        }
    }
    int messageBox(const std::string& text, const std::string& caption, int type) override {
        messages.push_back(caption + ": " + text);
        return onMessage ? onMessage(text, caption, type) : gui::IDOK;
    }
    void runFileDialog(gui::FileDialog& d) override {
        if (onFile) {
            onFile(d);
        } else {
            d.userCancel();
        }
    }
    void showHelp(const std::string& path, int context, const std::string* contents) override {
        helpShown.push_back(path + "#" + std::to_string(context) + ":" +
                            (contents != nullptr ? *contents : std::string("<missing>")));
    }
};
