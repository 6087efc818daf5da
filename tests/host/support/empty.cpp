// Keeps the support library non-empty while it has no hooks to provide.
