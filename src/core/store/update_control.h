#pragma once
// What the bookshelf models need of the update worker: whether a run is in progress, which
// book it works on, and starting or stopping one. The engine implements it.
namespace mozhou::store {

struct UpdateControl {
  virtual ~UpdateControl() = default;
  virtual bool updateRunning() const = 0;
  // Starts a mode-0 run for one book (refresh the table of contents, download new chapters).
  virtual void startBookUpdate(long long bookId) = 0;
  // Asks the running update to stop (it leaves at its next check).
  virtual void stopUpdate() = 0;
};

}  // namespace mozhou::store
