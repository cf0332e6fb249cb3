"""What the drivers' tools share: PE images (pe), the PI firmware file formats (pi), the
drivers' PCD tokens (tokens), EDK2 workspaces (edk2) and Debian's archive (apt)."""


class Refused(Exception):
    """An input a tool will not take; the message says why."""
