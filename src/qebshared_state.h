// Private states shared by the copies of a file object: a plain count of the
// objects that refer to a state, which the last one deletes.
#ifndef QEB_QEBSHARED_STATE_H
#define QEB_QEBSHARED_STATE_H

namespace qeb_internal {

// State has an int refCount, 1 when created.
template <class State>
State *shareState(State *state) {
    if (state) ++state->refCount;
    return state;
}

template <class State>
void releaseState(State *state) {
    if (state && --state->refCount == 0) delete state;
}

// For operator=: takes other's state and lets go of the one held.
template <class State>
void assignState(State *&mine, State *other) {
    shareState(other);
    releaseState(mine);
    mine = other;
}

}  // namespace qeb_internal

#endif
