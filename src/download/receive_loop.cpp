// Filled in by the download handlers' work.
