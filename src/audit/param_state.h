// What the parameter store remembers between showing and closing the form (parameters.cc).
#pragma once

namespace torva::audit {

struct ParamStateData {};

}  // namespace torva::audit
