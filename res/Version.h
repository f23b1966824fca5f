/* The program's version, the one place to change it: the version resource, the update history
   and the download package's name all take it from here. */
#ifndef TERVOLIN_VERSION_H
#define TERVOLIN_VERSION_H

#define TERVOLIN_VERSION_NUMBERS 1, 0, 0, 0
#define TERVOLIN_VERSION_TEXT "1.0.0.0"

#endif
