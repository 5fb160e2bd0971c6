// The session thread: it alone reads the session's sockets. Each round it
// sends the registrations of new local players, reads once each connection
// that has something (one poll tells which), and serves what was read in
// passes: each pass takes up to 256 frames from the session connection and,
// on the host, accepts one waiting connection and takes one frame from each
// peer in table order; it delivers text frames to the local players'
// inboxes and answers to the program's reply list, and on the host does
// the server's work: numbering players, answering queries and relaying
// texts. The frames for a peer are gathered and go out at the end of the
// round (or once many are waiting), as far as its connection takes them
// without waiting; the rest waits, in order, for the next round in which a
// poll finds room, so a peer gets whole frames one after another.
//
// Frames are assembled from what is read, across rounds, so a frame that
// arrives in pieces is never lost or misread; a frame whose payload length
// is above 1023, or a connection that fails, counts as closed once the
// frames before it are served. The server's work is done only
// on frames that came in on peer connections, and the client's (delivery,
// ids, answers) only on frames from the session connection, so a peer
// cannot pose as the server; a peer's leave, question or text counts for an
// identity only when its own connection registered that identity, so it
// cannot speak for another. What a peer can make the session keep is
// bounded (net_session.h). Everything shared with the program's thread is
// touched under the session's Mutex.
//
// The thread never waits to send. A remote peer for which more waits than
// its bound, or whose connection has taken no byte of what waits for the
// stall limit, does not read and is dropped. The host's own session
// connection, whose other end this thread reads itself, is never dropped
// for being full: while much waits for it, the passes take no frame from
// any peer (they wait in their connections) and only serve the session
// connection, which empties it. A registration that the session connection
// cannot take now is sent in a later round; the rest of one it took in part
// goes out before anything else on it, so that connection too carries whole
// frames only.
#pragma once

#include <cstdint>

// The thread procedure (argument: the NetSession). Runs until the stop
// request, or until the server closes the session connection; then it
// closes its peers and, when the stop was not requested, resets the
// session (sockets closed, its network start-up released) itself. 0.
int32_t NetSessionThread(void* session);
