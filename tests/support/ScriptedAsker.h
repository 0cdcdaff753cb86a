// Answers the questions of an operation from a script, as the user would in the message boxes,
// and remembers what it was asked. Past the script's end every answer is Cancel.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/RowList.h"

class TScriptedAsker : public TAsker {
 public:
  explicit TScriptedAsker(std::deque<TAnswer> answers) : FAnswers(std::move(answers)) {}

  bool AskYesNo(const std::string& text) override { return AskYesNoCancelAll(text) == TAnswer::Yes; }
  TAnswer AskYesNoCancelAll(const std::string& text) override {
    Questions.push_back(text);
    if (FAnswers.empty()) return TAnswer::Cancel;
    const TAnswer answer = FAnswers.front();
    FAnswers.pop_front();
    return answer;
  }

  std::vector<std::string> Questions;

 private:
  std::deque<TAnswer> FAnswers;
};
