// dwcalc's --env FILE option: loads an environment file before the
// commands run (month names, markers, message texts, collation, ...).
#include "runtime/lang/env_file.h"
#include "runtime/lang/errors.h"
#include "tools/dwcalc/commands.h"

namespace dwcalc {
namespace {

const OptionRegistrar kEnv("--env", OptionArg::Required, [](std::string_view file) {
  if (dw::lang::loadEnvironmentFile(std::string(file))) return std::string();
  return dw::lang::errorText() + " (" + std::to_string(dw::lang::errorCode()) +
         "): " + std::string(file);
});

}  // namespace
}  // namespace dwcalc
