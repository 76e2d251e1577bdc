// korvane-thumbnailer: the picture a file manager shows for a .mlt file,
// drawn as the window's preview draws it. File managers run it through the
// thumbnailer entry installed beside it, as
//   korvane-thumbnailer -s SIZE INPUT OUTPUT
// It writes OUTPUT (PNG) and nothing else; on any problem it writes nothing,
// says why in one line on stderr and exits non-zero, and the file manager
// shows its generic icon.

#include "cli/korvanecli.h"

int main(int argc, char *argv[])
{
    return korvaneThumbnailer().main(argc, argv);
}
