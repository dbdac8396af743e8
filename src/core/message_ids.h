#pragma once

namespace vexon::core {

// Worker-to-owner messages, numbered as the window protocol numbers them.
enum class Msg : int {
  TaskFinished = 1,
  NextPage = 2,
  LinkFound = 4,
  LiveLink = 5,
  DownloadCompleted = 6,
  // A download's step, progress (bytes, total, rate and time left in one) or failure.
  DownloadProgress = 8,
  DownloadEndedKeep = 13,
  DownloadEndedDelete = 14,
  HotWord = 16,
  // A network job of a dialog (update, word-list refresh) has ended.
  BackgroundJobEnded = 17,
  // A long command of the owner's own goes on after the events that came meanwhile.
  OwnerWorkContinues = 18,
  // A batch of audio files' tags has been read.
  TagsRead = 19,
};

}  // namespace vexon::core
