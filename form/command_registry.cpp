#include "form/command_registry.h"

#include <utility>

namespace vexalo {

void CommandRegistry::Bind(int id, Handler handler) {
  if (!handler) {
    m_handlers.erase(id);
    return;
  }
  m_handlers[id] = std::move(handler);
}

void CommandRegistry::Unbind(int id) { m_handlers.erase(id); }

bool CommandRegistry::IsBound(int id) const { return m_handlers.count(id) != 0; }

bool CommandRegistry::Run(int id) const {
  auto it = m_handlers.find(id);
  if (it == m_handlers.end()) return false;
  // A copy, so the handler survives its own rebinding while it runs.
  Handler handler = it->second;
  handler();
  return true;
}

void CommandRegistry::Clear() { m_handlers.clear(); }

CommandRegistry& Commands() {
  static CommandRegistry registry;
  return registry;
}

}  // namespace vexalo
