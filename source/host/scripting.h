// The host's scripting engine: virtual machines looked up by identifier, scopes that hold a
// script and its names, and the address (URL) object of the host framework.
#pragma once

#include "host/values.h"

#include <cstdint>
#include <memory>
#include <string>

namespace flumpet::host {

/// An address as the host framework parsed it.
class Url {
  public:
    Url() = default;
    explicit Url(std::string text) : text_(std::move(text)) {}
    /// The full text form ("https://host/path#anchor").
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

/// A value living in a virtual machine. The module holds one only while it binds it.
class ScriptObject {
  public:
    virtual ~ScriptObject() = default;
};

/// A script with its own names, run once.
class ScriptScope {
  public:
    virtual ~ScriptScope() = default;
    /// Takes the script's name (for error reports) and text. False with the reason.
    virtual bool init(const std::string& name, const std::string& code, std::string& error) = 0;
    /// Binds a name to an object of the same machine.
    virtual bool bind(const std::string& name, const std::shared_ptr<ScriptObject>& value,
                      std::string& error) = 0;
    virtual bool bindText(const std::string& name, const std::string& text, std::string& error) = 0;
    /// Runs the script. A failure is reported by the machine itself; the answer says whether it ran.
    virtual bool execute() = 0;
};

class VirtualMachine {
  public:
    virtual ~VirtualMachine() = default;
    virtual std::unique_ptr<ScriptScope> createScope(std::string& error) = 0;
    /// The machine's global lock (usable with std::lock_guard). Host objects are converted and
    /// bound only while it is held.
    virtual void lock() = 0;
    virtual void unlock() = 0;
    /// A document or object as a machine object; null when it cannot be converted.
    virtual std::shared_ptr<ScriptObject> convertNode(NodeId node) = 0;
    /// The machine's none value.
    virtual std::shared_ptr<ScriptObject> none() = 0;
};

class ScriptServices {
  public:
    virtual ~ScriptServices() = default;
    /// The virtual machine registered under an identifier; null with the reason.
    virtual VirtualMachine* virtualMachine(const std::string& identifier, std::string& error) = 0;
    /// The host's general operation that must precede a script's execution.
    virtual void prepareExecution(int32_t a, int32_t b, int32_t c) = 0;
    /// Parses an address. False with the failure's text.
    virtual bool parseUrl(const std::string& text, Url& out, std::string& error) = 0;
};

} // namespace flumpet::host
