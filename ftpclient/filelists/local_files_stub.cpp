// The local file list is filled by the file-lists code.
#include "connection/tarlen_frm.h"

void TARLEN_Frm::Load_Files() {}

void TARLEN_Frm::sort_files(short&) {}
