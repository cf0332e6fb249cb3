// Data of the SocDxeM70 deliverable (family 19h, models 70h-7Fh).
