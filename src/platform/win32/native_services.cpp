// The Win32 services; filled in by the platform layer.
