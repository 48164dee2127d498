// The chart view is being written; this keeps the library non-empty.
