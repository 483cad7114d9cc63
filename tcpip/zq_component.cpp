#include "tcpip/zq_component.h"

namespace kestrum::tcpip {

T_ZQ_Component::~T_ZQ_Component() {
  for (T_ZQ_Component* dependent : Dependents) {
    if (dependent != nullptr) dependent->Detach(this);
  }
}

void T_ZQ_Component::Detach(T_ZQ_Component* /*component*/) {}

}  // namespace kestrum::tcpip
