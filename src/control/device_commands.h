#pragma once
// The commands that change no setting and cannot be read back: identify,
// auto adjust and the factory reset.

namespace lumivex::control {

class Session;

// verify: the model is asked first, so that a silent controller is never
// taken for one that obeyed.
void identify(Session& session, bool verify);
// Refused (usage) for a model or a state the panel would refuse it in.
void autoAdjust(Session& session);
// Asked through the session's messages before anything is opened: not
// confirmed, nothing is touched and it fails as usage.
void factoryReset(Session& session, bool verify);

}  // namespace lumivex::control
