// A sensor's work as a C++20 coroutine: Task<T> is a coroutine that starts when it is awaited
// (or started by the event loop at the top) and gives a T when it ends. Awaiting one runs it to
// its end first, so a subcommand reads as the sequence of steps it is, while every wait for the
// sensor suspends the whole chain and gives the event loop back to the other sensors.
//
// A task's frame belongs to its Task object: destroying a suspended top-level task destroys the
// tasks it awaits as well.
#pragma once

#include <coroutine>
#include <exception>
#include <utility>

namespace cli {

// How many top-level tasks (those nobody awaits) have ended in this process: a loop that serves
// many compares it with what it saw last, instead of asking every task whether it is done.
inline unsigned long topLevelTasksEnded = 0;

template <typename T>
class Task {
public:
    struct promise_type {
        T value{};
        std::coroutine_handle<> continuation;

        Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
        std::suspend_always initial_suspend() noexcept { return {}; }
        // At its end a task goes on with whoever awaited it, without growing the stack.
        struct FinalAwaiter {
            bool await_ready() const noexcept { return false; }
            std::coroutine_handle<> await_suspend(std::coroutine_handle<promise_type> h) const noexcept
            {
                if (std::coroutine_handle<> next = h.promise().continuation)
                    return next;
                ++topLevelTasksEnded;
                return std::noop_coroutine();
            }
            void await_resume() const noexcept {}
        };
        FinalAwaiter final_suspend() noexcept { return {}; }
        void return_value(T v) { value = std::move(v); }
        // The program is built without exceptions in mind; one escaping a task is a bug.
        void unhandled_exception() { std::terminate(); }
    };

    explicit Task(std::coroutine_handle<promise_type> h) : handle_(h) {}
    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    Task& operator=(Task&&) = delete;
    ~Task()
    {
        if (handle_)
            handle_.destroy();
    }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> caller) noexcept
    {
        handle_.promise().continuation = caller;
        return handle_;
    }
    T await_resume() { return std::move(handle_.promise().value); }

    // For the event loop: runs the task up to its first wait.
    void Start() { handle_.resume(); }
    bool Done() const { return handle_.done(); }
    T& Value() { return handle_.promise().value; }

private:
    std::coroutine_handle<promise_type> handle_;
};

}  // namespace cli
