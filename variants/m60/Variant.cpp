// Data of the SocDxeM60 deliverable (family 19h, models 60h-6Fh).
