// A room that the report must not use.
