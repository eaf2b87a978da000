#pragma once
// Calls page functions by name for the skin and its buttons, remembering the last failure.

#include <string>
#include <vector>

#include "script_caller.h"

class IPageDocument;

class CScriptBridge : public IScriptCaller {
  public:
    // False with "NULL pointer" for no document.
    bool SetDocument(IPageDocument* document);
    IPageDocument* Document() const { return m_document; }

    // A name with a "." is script text and is run as it is (always true). Otherwise the page's
    // function of that name is called with the arguments in order.
    bool CallFunction(const std::string& name, const std::vector<std::string>& args);
    bool CallFunction(const std::string& name) override { return CallFunction(name, {}); }

    // Failures the page reports later (a script that threw) are recorded here too.
    void RecordError(const std::string& message);
    // Never cleared by a success.
    const std::string& LastError() const { return m_lastError; }

  private:
    IPageDocument* m_document = nullptr;
    std::string m_lastError;
};
