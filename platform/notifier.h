#pragma once
// How the core tells the user something that the system shows in a message box. The GUI front
// end shows a dialog; the console front end and the library write to standard error.

#include <string>

class INotifier {
  public:
    virtual ~INotifier() = default;
    virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
};

class CStderrNotifier : public INotifier {
  public:
    void ShowMessage(const std::string& caption, const std::string& text) override;
};
