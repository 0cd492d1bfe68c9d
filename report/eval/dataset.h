// Report data sets: the small cursor protocol that repeating bands and per-record reports
// walk (Init once; First; while not Eof: process, Next; Exit once), with a configurable
// range. The base has no data of its own; it counts records and asks its events.
#pragma once

#include <QObject>
#include <functional>

enum TRangeBegin { rbFirst, rbCurrent };
enum TRangeEnd { reLast, reCurrent, reCount };

using TNotifyEvent = std::function<void(QObject *Sender)>;
// May overrule the end test by changing Eof.
using TCheckEOFEvent = std::function<void(QObject *Sender, bool &Eof)>;

// A component: the name is the QObject name, the owner its parent.
class TfrDataset : public QObject {
    Q_OBJECT
public:
    explicit TfrDataset(QObject *owner = nullptr);
    ~TfrDataset() override;

    TRangeBegin RangeBegin = rbFirst;
    TRangeEnd RangeEnd = reLast;
    qint32 RangeEndCount = 0;
    TNotifyEvent OnFirst;
    TNotifyEvent OnNext;
    TNotifyEvent OnPrior;
    TCheckEOFEvent OnCheckEOF;

    virtual void Init() {}
    virtual void Exit() {}
    // Counter to 0, then OnFirst.
    virtual void First();
    // Counter up; OnNext unless a reCount range has just reached its count.
    virtual void Next();
    // Counter down, then OnPrior.
    virtual void Prior();
    // reCount: the counter has reached RangeEndCount; then OnCheckEOF may change it.
    virtual bool Eof();

    // Records passed since First; 0 on the first record.
    qint32 RecNo() const { return FRecNo; }

protected:
    qint32 FRecNo = 0;
};

// The base with its range and events meant to be set by the host: data produced by event
// handlers, and the virtual data sets of count-only band data sources.
class TfrUserDataset : public TfrDataset {
    Q_OBJECT
public:
    explicit TfrUserDataset(QObject *owner = nullptr) : TfrDataset(owner) {}
};
