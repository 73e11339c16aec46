// The report sample's own header.
