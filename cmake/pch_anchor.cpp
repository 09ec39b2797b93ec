// Compiled only so that its target builds the precompiled header that other targets reuse.
