#pragma once
// Keeps every message the code under test wanted to show.

#include <string>
#include <vector>

#include "notifier.h"

class CRecordingNotifier : public INotifier {
  public:
    void ShowMessage(const std::string& /*caption*/, const std::string& text) override {
        m_messages.push_back(text);
    }
    const std::vector<std::string>& Messages() const { return m_messages; }

  private:
    std::vector<std::string> m_messages;
};
