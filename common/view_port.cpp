#include "common/view_port.h"

namespace vexalo {

const char* const kProductTitle = "Vexalo Caption Editor";

}  // namespace vexalo
