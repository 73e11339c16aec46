// Not built: the sample the include check must reject, one header per rule.
// clang-format off
#include <QWidget>
#include <cstdio>
#include <unistd.h>
#  include <sys/ioctl.h>
#include "termios.h"
#ifndef _WIN32
#include <netinet/in.h>
#endif
#include "serial/serial_platform_posix.h"
// #include <poll.h>  (a comment is not an include)
