// The extended attributes of a file that korvix replaces, given to the file that replaces it.
#pragma once

namespace korvix {

// Gives the open file `to` the extended attributes of the open file `from`, as far as the system
// lets korvix read and set them: on Linux every attribute that `from` lists (user.* attributes,
// its ACLs in system.posix_acl_access, a security label), an attribute that cannot be read or set
// (a file system without them, one that only a privileged process may set) left out, as are all
// of them when there is no memory for them; elsewhere none. Nothing here fails a run.
void copy_extended_attributes(int from, int to);

} // namespace korvix
