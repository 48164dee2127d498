#pragma once

#include <filesystem>

namespace tessaly {

// A new, empty file with a unique name starting "Tes" in the temporary
// folder ($TMPDIR, else /tmp); an empty path when none can be made. Whoever
// asks for it deletes it when done.
std::filesystem::path make_temp_file_name();

}  // namespace tessaly
