// The worked examples and notes that --help prints after the options.
#pragma once

#include <string>

namespace tarn_cli {

// The program's: the subcommands' shared rules and the exit statuses.
std::string program_footer();

// One subcommand's worked example, with what it prints.
std::string subcommand_footer(const std::string& subcommand);

} // namespace tarn_cli
