#pragma once
// Base of the non-visual network components: a named component owned by its window, with a list
// of dependents that are told before the component goes away.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum::tcpip {

class T_ZQ_Component {
 public:
  T_ZQ_Component() = default;
  // Calls Detach(this) on every non-null dependent before the list goes.
  virtual ~T_ZQ_Component();
  T_ZQ_Component(const T_ZQ_Component&) = delete;
  T_ZQ_Component& operator=(const T_ZQ_Component&) = delete;

  // Told that `component` is about to be destroyed; nothing to do in this family.
  virtual void Detach(T_ZQ_Component* component);

  std::string Name;
  std::intptr_t Tag = 0;
  std::vector<T_ZQ_Component*> Dependents;
};

}  // namespace kestrum::tcpip
