// The ribbon widgets are being written; this keeps the library non-empty.
