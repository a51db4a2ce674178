// Buffer sizes, in characters including the terminator.
#ifndef QALM_BUFFER_SIZES_H
#define QALM_BUFFER_SIZES_H

#define KEY_NAME_SIZE 256  // the length passed to every enumeration
#define LONG_PATH_SIZE 512
#define SHORT_PATH_SIZE 256
#define VALUE_BUFFER_SIZE 260

#endif
