// Placeholders until the file dialogs exist: the commands do nothing yet.
#include "files/files.h"

namespace corvane {

void ChooseSourceFiles() {}
void SavePacked(bool) {}
void CompressAll() {}
void SaveDepacker() {}

}  // namespace corvane
