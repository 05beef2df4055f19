// The application object: its title, the one idle-hook slot, and the program's own
// event loop around Qt's, which paces the benchmark's frames.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

#include <QWidget>

class TApplication : public QObject
{
    Q_OBJECT
public:
    // Called once per idle pass with the done flag; the loop waits afterwards while it is true.
    using IdleHandler = std::function<void(TApplication *sender, bool &done)>;

    // Before the QApplication exists: positions, sizes and fonts stay device pixels,
    // whatever scale the desktop asks for.
    static void PrepareToolkit();

    // Needs the QApplication; installs the program's font substitutions.
    TApplication();
    ~TApplication() override;

    QString Title() const { return m_title; }
    void setTitle(const QString &title);

    // There is one slot: installing a handler replaces the previous one.
    void setOnIdle(IdleHandler handler) { m_onIdle = std::move(handler); }

    // The first window registered is the main one: closing it ends the program.
    void registerForm(QWidget *form);
    QWidget *MainForm() const { return m_mainForm; }

    // Posts the quit message; the loop takes it and stops.
    void Terminate();

    // Runs loop steps until the quit message has been taken.
    void Run();

    // One loop step: handle what is queued, or else one idle pass.
    void HandleMessage();

    // Shows an error that escaped a handler, captioned with the title; the program goes on.
    void ShowException(const QString &message);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool processPendingEvents();
    void Idle();

    QString m_title;
    IdleHandler m_onIdle;
    QPointer<QWidget> m_mainForm; // cleared if the window goes first
    bool m_terminated = false;
};

// The one application object, as the program's handlers reach it.
extern TApplication *Application;
