// A minimal stand-in for the spreadsheet host in unit tests of add-in parts
// that only show status texts and alerts: it records what it is shown and
// answers alerts from a queue (OK when the queue is empty). Every other host
// function answers "invalid function".
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace testhost {

struct Shown {
    enum Kind { Status, Alert } kind;
    std::string text;  // without the length byte
    int type;          // alert type; 0 when none was given
};

std::vector<Shown>& journal();
std::vector<std::string> statusTexts();
std::vector<std::string> alertTexts();
std::deque<bool>& alertAnswers();
void clear();

}  // namespace testhost
