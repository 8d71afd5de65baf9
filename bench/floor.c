/* The floor of process start-up: a statically linked program that does nothing at all. */
int main(void)
{
    return 0;
}
