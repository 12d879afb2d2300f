// Answers the emulator's dialogs at once and remembers what they showed.
#pragma once

#include "dialogs.h"

#include <QString>
#include <deque>
#include <optional>
#include <vector>

struct ShownMessage {
    QWidget* owner;
    QString text;
    QString caption;
    mox::Icon icon;
};

class FakeDialogs : public mox::ui::Dialogs {
public:
    void message(QWidget* owner, const QString& text, const QString& caption,
                 mox::Icon icon) override {
        messages.push_back({owner, text, caption, icon});
    }
    // Each open dialog takes the next answer; an empty one, or none left,
    // cancels it.
    std::optional<QString> openProgramFile() override {
        ++opened;
        if (answers.empty()) {
            return std::nullopt;
        }
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isEmpty()) {
            return std::nullopt;
        }
        return answer;
    }

    std::vector<ShownMessage> messages;
    std::deque<QString> answers;
    int opened = 0;
};
