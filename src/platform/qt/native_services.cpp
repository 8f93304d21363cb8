// The Qt/X11 services; filled in by the platform layer.
