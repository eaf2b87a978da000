#pragma once
// The page operations the skin needs, whatever engine shows the page. Operations run in the
// order they are made; what a caller needs at once (whether an element or a function exists) is
// answered from what the document knows without waiting on the page.

#include <string>
#include <vector>

class IPageDocument {
  public:
    virtual ~IPageDocument() = default;
    // Replaces the content of the body element.
    virtual bool SetBodyHtml(const std::string& html) = 0;
    // Inserts markup immediately before the body element. Scripts in it do not run.
    virtual bool InsertBeforeBody(const std::string& html) = 0;
    // Replaces the inner HTML of the element with that id (or name); false when the page has no
    // such element.
    virtual bool SetElementHtml(const std::string& id, const std::string& html) = 0;
    virtual bool HasFunction(const std::string& name) const = 0;
    // Calls a global function of the page with string arguments, in order; false when the page
    // has no function of that name.
    virtual bool CallFunction(const std::string& name, const std::vector<std::string>& args) = 0;
    // Runs script text at the page's global scope: its function declarations become globals.
    virtual void RunScript(const std::string& text) = 0;
};
