// Private copies of the test library, so that a build can overwrite the file the
// user named while the window holds the library. Each runner keeps its copies in a
// folder of its own under the user's temp folder, named after its process id, with
// one subfolder per load: the copy keeps the library's file name, and a loaded copy
// never has to be overwritten.
#pragma once

#include <string>

namespace runner {

// Copies the library (and its .pdb beside it, when there is one) into a new
// subfolder. Returns the copy's path, or "" when the file cannot be copied yet, as
// while a linker still writes it.
std::string MakeShadowCopy(const std::string &libraryPath);

// Removes every copy of this runner but the one at keptCopy ("" for none). Copies
// still loaded cannot go and are left to the next call.
void RemoveShadowCopiesExcept(const std::string &keptCopy);

// Removes the folders of runners that are no longer running; called at start,
// before this runner makes any.
void RemoveLeftoverShadowCopies();

// Puts the library's own folder ahead of the usual places where Windows looks for the
// libraries a copy imports; "" returns to the usual order.
void SearchDependenciesBeside(const std::string &libraryPath);

// The folder where the libraries that the library at libraryPath imports are looked
// for first: its own.
std::string DependencyFolderOf(const std::string &libraryPath);

}  // namespace runner
