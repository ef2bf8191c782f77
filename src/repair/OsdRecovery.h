#pragma once
// Recovery of the hot-key and on-screen display service: which service and companion
// processes depends on the product.

// False when the product has no such service or the service could not be recovered.
bool RecoverOsdService();
