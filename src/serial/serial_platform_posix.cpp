// The POSIX layer comes with the serial link's work.
